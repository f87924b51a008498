// Starting and ending a connection from the service host: the connector
// thread started with its connection already active, stopped from outside
// by cancelling what it waits in until it has returned, waited for while
// it winds down; thread handles closed once nobody needs them.
#include "service/connection.h"

#include <string>
#include <vector>

#include "diagnostics/trace.h"
#include "service/connection_teardown.h"
#include "service/shared_objects.h"
#include "service/worker_threads.h"
#include "service_life_fixture.h"
#include "sim/devices.h"

namespace koru {
namespace {

constexpr DWORD FEATURES = 0xff;

// Stands for a connector thread between two requests: it pauses again and
// again while its connection lasts.
DWORD WINAPI PausingConnector(LPVOID) {
  while (connectorActive->load() != 0) PauseOneSecond();
  return 0;
}

// Stands for a connector thread winding its connection down.
DWORD WINAPI WindingDownConnector(LPVOID) {
  PauseOneSecond();
  WriteTrace(L"wound down");
  return 0;
}

class ConnectionLifeTest : public ServiceLifeTest {
 protected:
  void SetUp() override {
    ServiceLifeTest::SetUp();
    Laptop();
    StartWith(FEATURES);
    InitializeEndpointSide();
    NewTrace();
  }
  // A stand-in connector thread, kept as the service keeps the real one.
  // The machine runs what is ready now, without moving its clock: a thread
  // that pauses again and again would never let it rest.
  static void StartStandIn(LPTHREAD_START_ROUTINE routine) {
    sim::StartThread(
        [routine] { *hConnectorThread = CreateThread(nullptr, 0, routine, nullptr, 0, nullptr); });
    sim::RunReady();
  }
  void StartConnection() {
    OnComThread([] {
      ConnectorLockGuard guard;
      StartConnectorThread();
    });
  }
  // Takes the connection over and stops its connector thread, as the
  // control handler does.
  void StopConnection() {
    RunOnServiceThread([] {
      ConnectorLockGuard guard;
      connectorActive->store(0);
      StopConnectorThread();
    });
  }
};

TEST_F(ConnectionLifeTest, AWorkersHandleIsClosedAtOnce) {
  int threadHandles = OpenOfKind("Thread");
  StartThread(Thread_1);
  EXPECT_EQ(OpenOfKind("Thread"), threadHandles);
  EXPECT_TRUE(NewTrace().empty()) << "the worker waits for a wake-up";
}

// A wake-up released before the connection started (a default change
// during the start-up scans) finds the connection active: the worker
// serves it instead of ending.
TEST_F(ConnectionLifeTest, TheConnectionIsActiveBeforeItsWorkersStart) {
  Release(*hChangeEndpointSemaphore);
  StartConnection();
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_EQ(Count(trace, L"ChangeEndpoint entry"), 1) << testing::PrintToString(trace);
  EXPECT_EQ(Count(trace, L"Thread_1 terminate"), 0);
  EXPECT_EQ(Count(trace, L"Device connect successfully"), 2);
  EXPECT_EQ(connectorActive->load(), 1);
  EXPECT_NE(hConnectorThread->load(), nullptr);
  EXPECT_EQ(OpenOfKind("Thread"), 1) << "only the connector thread's handle is kept";
}

// The connector thread waits in the driver: the cancelled request makes
// the connector routine return at once, without its wind-down, which
// belongs to whoever took the connection over.
TEST_F(ConnectionLifeTest, AConnectorWaitingInTheDriverIsStopped) {
  StartConnection();
  ASSERT_EQ(sim::codec::Requests().back().outcome, sim::codec::Outcome::Pending);
  NewTrace();
  StopConnection();
  EXPECT_EQ(sim::codec::Requests().back().outcome, sim::codec::Outcome::Failed);
  EXPECT_EQ(sim::codec::Requests().back().error, static_cast<uint32_t>(ERROR_OPERATION_ABORTED));
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_EQ(Count(trace, L"Dispose entry"), 0) << testing::PrintToString(trace);
  EXPECT_EQ(Count(trace, L"Thread_1 terminate"), 0) << "the workers are not woken by the stop";
  EXPECT_EQ(hConnectorThread->load(), nullptr);
  EXPECT_EQ(OpenOfKind("Thread"), 0);
}

// Between requests there is nothing to cancel: the stop cancels again
// after a short wait until the thread has seen the flag and returned.
TEST_F(ConnectionLifeTest, AConnectorInAPauseIsStoppedWhenThePauseEnds) {
  connectorActive->store(1);
  StartStandIn(PausingConnector);
  uint64_t before = sim::NowMs();
  StopConnection();
  EXPECT_LE(sim::NowMs() - before, 1000u) << "one pause at most";
  EXPECT_EQ(hConnectorThread->load(), nullptr);
  EXPECT_EQ(OpenOfKind("Thread"), 0);
}

TEST_F(ConnectionLifeTest, AConnectorWindingDownIsWaitedFor) {
  StartStandIn(WindingDownConnector);
  RunOnServiceThread([] {
    ConnectorLockGuard guard;
    WaitForEndedConnector();
    WriteTrace(L"waited");
  });
  std::vector<std::wstring> expected = {L"wound down", L"waited"};
  EXPECT_EQ(NewTrace(), expected);
  EXPECT_EQ(OpenOfKind("Thread"), 0);
}

// A removal while no connection is active (the connection already wound
// itself down): nothing to tear down, nothing disposed twice.
TEST_F(ConnectionLifeTest, ARemovalWithoutAConnectionTearsNothingDown) {
  StartStandIn(WindingDownConnector);
  OnComThread([] { TearDownAfterRemoval(); });
  EXPECT_EQ(NewTrace(), std::vector<std::wstring>{L"wound down"});
  EXPECT_EQ(OpenOfKind("Thread"), 0) << "the ended connector thread's handle is closed";
}

}  // namespace
}  // namespace koru
