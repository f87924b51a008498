// The shared thread objects: their values at process start in every
// process life, the semaphores the service main function creates, and the
// wake-up, wait and pause that every thread uses.
#include "service/shared_objects.h"

#include "launcher/popup_slots.h"
#include "support/service_fixture.h"

namespace koru {
namespace {

class SharedObjectsTest : public ServiceTest {
 protected:
  bool Create() {
    bool created = false;
    RunOnServiceThread([&] { created = CreateSharedObjects(); });
    return created;
  }

  static int OpenSemaphores() {
    auto counts = sim::OpenHandles();
    return counts.count("Semaphore") ? counts["Semaphore"] : 0;
  }
};

// Every flag with its value, in the order of the one header.
std::vector<int> Flags() {
  return {connectorActive->load(),    IgnoreTrigger->load(),        muteSeen->load(),
          muteNotifyInFlight->load(), outputType->load(),           foreignEndpoint->load(),
          jackTypePending->load(),    startupInitialPending->load()};
}

const std::vector<int> INITIAL_FLAGS = {0, 0, 1, 0, 0, 0, 1, 0};

TEST_F(SharedObjectsTest, AtProcessStartOnlyMuteSeenAndJackTypePendingAreSet) {
  StartServiceProcess();
  EXPECT_EQ(Flags(), INITIAL_FLAGS);
  for (int kind = 0; kind < POPUP_KIND_COUNT; ++kind) {
    EXPECT_FALSE(popupSlots[kind]->Running()) << "kind " << kind;
    EXPECT_EQ(hPopupSemaphore[kind]->load(), nullptr) << "kind " << kind;
  }
  EXPECT_EQ(hChangeEndpointSemaphore->load(), nullptr);
  EXPECT_EQ(hConnectorThread->load(), nullptr);
  EXPECT_EQ(hStopEvent->load(), nullptr);
}

TEST_F(SharedObjectsTest, EveryProcessLifeStartsAfresh) {
  StartServiceProcess();
  RunOnServiceThread([] {
    connectorActive->store(1);
    muteSeen->store(0);
    jackTypePending->store(0);
    outputType->store(1);
    popupSlots[1]->MarkRunning();
    CreateSharedObjects();
  });
  EndServiceProcess();
  StartServiceProcess();
  EXPECT_EQ(Flags(), INITIAL_FLAGS);
  EXPECT_FALSE(popupSlots[1]->Running());
  EXPECT_EQ(hDelaySemaphore->load(), nullptr);
}

TEST_F(SharedObjectsTest, TheSemaphoresLiveUntilTheProcessEnds) {
  StartServiceProcess();
  EXPECT_TRUE(Create());
  EndServiceProcess();
  int semaphores = 0;
  for (const std::string& line : sim::HandlesOpenAtExit()) {
    semaphores += line.starts_with("Semaphore ");
  }
  EXPECT_EQ(semaphores, 6) << Joined(sim::HandlesOpenAtExit());
}

TEST_F(SharedObjectsTest, WithoutTheFirstSemaphoreCreationReportsFailure) {
  StartServiceProcess();
  sim::Fail("CreateSemaphoreW", {});
  EXPECT_FALSE(Create());
  EXPECT_EQ(hChangeEndpointSemaphore->load(), nullptr);
  EXPECT_NE(hMuteStateSemaphore->load(), nullptr) << "the others are still created";
  EXPECT_EQ(OpenSemaphores(), 5);
}

TEST_F(SharedObjectsTest, AWaitOnAMissingSemaphoreFailsAtOnceWithoutAHandleFault) {
  StartServiceProcess();
  sim::Fail("CreateSemaphoreW", {});
  Create();
  int turns = 0;
  RunOnServiceThread([&] {
    // A worker loop ends instead of spinning.
    while (WaitForWakeUp(*hChangeEndpointSemaphore)) ++turns;
    WakeUp(*hChangeEndpointSemaphore);
  });
  EXPECT_EQ(turns, 0);
  EXPECT_TRUE(sim::HandleFaults().empty()) << Joined(sim::HandleFaults());
}

TEST_F(SharedObjectsTest, ThePauseLastsOneSecondWithOrWithoutItsSemaphore) {
  StartServiceProcess();
  for (bool created : {true, false}) {
    if (created) Create();
    uint64_t paused = 0;
    RunOnServiceThread([&] {
      uint64_t start = GetTickCount64();
      PauseOneSecond();
      paused = GetTickCount64() - start;
    });
    EXPECT_EQ(paused, 1000u) << (created ? "on hDelaySemaphore" : "without it");
    RunOnServiceThread([] { *hDelaySemaphore = nullptr; });
  }
}

}  // namespace
}  // namespace koru
