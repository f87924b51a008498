// The workers of a connection: each wakes on its semaphore, works while its
// connection is active, and ends when woken after the connection ended, or
// at once when its wait fails, without spinning.
#include <string>
#include <vector>

#include "device/device_connector.h"
#include "launcher/launch_popup.h"
#include "service/shared_objects.h"
#include "service/worker_threads.h"
#include "service_life_fixture.h"
#include "settings/feature_flags.h"
#include "sim/devices.h"

namespace koru {
namespace {

constexpr DWORD FEATURES = 0xff;

class WorkerThreadsTest : public ServiceLifeTest {
 protected:
  // A connection as its connector thread leaves it for the workers: the
  // endpoint side initialised and the connection active.
  void StartConnection() {
    Laptop();
    StartWith(FEATURES);
    InitializeEndpointSide();
    connectorActive->store(1);
    NewTrace();
    threadsBefore_ = sim::LiveThreads();
  }
  // Threads started since the connection started.
  int Workers() const { return sim::LiveThreads() - threadsBefore_; }
  // The end of the connection as every ender does it: the flag first.
  void EndConnection(HANDLE semaphore) {
    connectorActive->store(0);
    Release(semaphore);
  }

 private:
  int threadsBefore_ = 0;
};

TEST_F(WorkerThreadsTest, TwoWakeUpsBeforeTheEndpointChangeThreadRunsGiveOneChange) {
  StartConnection();
  RunOnServiceThread([] {
    WakeUp(*hChangeEndpointSemaphore);
    WakeUp(*hChangeEndpointSemaphore);
    StartWorker(Thread_1);
  });
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_EQ(Count(trace, L"ChangeEndpoint entry"), 1) << testing::PrintToString(trace);
  EXPECT_EQ(Count(trace, L"ChangeEndpoint exit"), 1);
  EXPECT_EQ(Workers(), 1) << "the endpoint-change thread waits for the next change";

  EndConnection(*hChangeEndpointSemaphore);
  trace = NewTrace();
  EXPECT_EQ(trace, std::vector<std::wstring>{L"Thread_1 terminate"});
  EXPECT_EQ(Workers(), 0);
}

// The ended connection's wake-up and a default change pending behind it:
// the worker sees the flag at 0 and ends, whatever else is pending.
TEST_F(WorkerThreadsTest, AWorkerWokenAfterTheEndEndsWhateverIsPending) {
  StartConnection();
  StartThread(Thread_1);
  RunOnServiceThread([] {
    connectorActive->store(0);
    WakeUp(*hChangeEndpointSemaphore);
    WakeUp(*hChangeEndpointSemaphore);
  });
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_EQ(trace, std::vector<std::wstring>{L"Thread_1 terminate"});
  EXPECT_EQ(Workers(), 0);
}

// Semaphores that could not be created: each worker's wait fails at once
// and the worker ends, instead of turning the failed wait into a loop.
TEST_F(WorkerThreadsTest, AWorkerWhoseSemaphoreIsMissingEnds) {
  StartConnection();
  RunOnServiceThread([] {
    *hChangeEndpointSemaphore = nullptr;
    *hMuteStateSemaphore = nullptr;
    *hPopupSemaphore[VOLUME_LIMIT_POPUP] = nullptr;
    StartWorker(Thread_1);
    StartWorker(Thread_6);
    StartWorker(Thread_3);
  });
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_EQ(Count(trace, L"Thread_1 terminate"), 1) << testing::PrintToString(trace);
  EXPECT_EQ(Count(trace, L"Thread_6 terminate"), 1);
  EXPECT_EQ(Count(trace, L"Thread_3 terminate"), 1);
  EXPECT_EQ(trace.size(), 3u);
  EXPECT_EQ(Workers(), 0);
}

TEST_F(WorkerThreadsTest, TheMuteStateThreadReportsAnUnmuteOnTheConnectorsHandle) {
  StartConnection();
  RunOnServiceThread([] {
    codecDevice->Connect();
    codecDevice->connected.store(1);
    muteSeen->store(1);
  });
  StartThread(Thread_6);
  NewTrace();
  Release(*hMuteStateSemaphore);
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_EQ(trace, std::vector<std::wstring>{L"IOCTL_CMD_MUTESTATE_NOTIFY status: 1"});
  ASSERT_FALSE(sim::codec::Requests().empty());
  const sim::codec::Request& sent = sim::codec::Requests().back();
  EXPECT_EQ(sim::codec::CodeName(sent.code), "MUTESTATE_NOTIFY");
  EXPECT_EQ(sent.input, std::vector<uint8_t>{1});
  EXPECT_EQ(muteSeen->load(), 0);
  EXPECT_EQ(muteNotifyInFlight->load(), 0);

  // A failed report is 0.
  sim::FaultSpec once;
  sim::Fail("DeviceIoControl", once);
  Release(*hMuteStateSemaphore);
  EXPECT_EQ(NewTrace(), std::vector<std::wstring>{L"IOCTL_CMD_MUTESTATE_NOTIFY status: 0"});
  EXPECT_EQ(Workers(), 1);
}

TEST_F(WorkerThreadsTest, TheMuteStateThreadWithoutADeviceSendsNothing) {
  StartConnection();
  StartThread(Thread_6);
  size_t requests = sim::codec::Requests().size();
  Release(*hMuteStateSemaphore);
  std::vector<std::wstring> expected = {L"Device not connect yet",
                                        L"IOCTL_CMD_MUTESTATE_NOTIFY status: 0"};
  EXPECT_EQ(NewTrace(), expected);
  EXPECT_EQ(sim::codec::Requests().size(), requests) << "nothing reached the driver";
  EXPECT_EQ(muteSeen->load(), 0);

  EndConnection(*hMuteStateSemaphore);
  EXPECT_EQ(NewTrace(), std::vector<std::wstring>{L"Thread_6 terminate"});
}

// A wake-up with no launch behind it (the launch was taken by a watcher of
// an earlier connection) does nothing: no exit status, no answer.
TEST_F(WorkerThreadsTest, AWatcherWokenWithoutALaunchWaitsForTheNext) {
  StartConnection();
  StartThread(Thread_3);
  Release(*hPopupSemaphore[VOLUME_LIMIT_POPUP]);
  EXPECT_TRUE(NewTrace().empty());
  EXPECT_EQ(Workers(), 1);
}

}  // namespace
}  // namespace koru
