// The popup slot's operations one by one: claiming a kind, ending and
// terminating its popup, and the watcher's take and finish, with the exit
// code each side sees and who closes the handles.
#include "launcher/popup_slots.h"

#include "launcher_fixture.h"

namespace koru {
namespace {

constexpr int KIND = SWITCH_WINDOW;
constexpr wchar_t EXE[] = L"KoruAudioSwitchWindow.exe";

class PopupSlotTest : public LauncherTest {
 protected:
  void SetUp() override {
    LauncherTest::SetUp();
    StartWith(0x0004);
  }

  PopupSlot& Slot() { return *popupSlots[KIND]; }

  // Claims the kind and starts its popup, as the device connector does.
  void ClaimAndLaunch() {
    RunOnServiceThread([this] {
      ASSERT_TRUE(Slot().Claim());
      ASSERT_EQ(LaunchPopup(KIND), 1);
    });
  }

  template <typename Operation>
  auto OnServiceThread(Operation operation) {
    decltype(operation()) result{};
    RunOnServiceThread([&] { result = operation(); });
    return result;
  }

  // The watcher's part for one wake-up: take, wait, read the exit code.
  // Nothing read (kPoison) when the wake-up was stale.
  DWORD WatchOnce(bool finish = true) {
    DWORD code = 0xdeadbeef;
    RunOnServiceThread([&] {
      PopupWatch watch = Slot().TakeLaunch();
      if (!watch) return;
      EXPECT_TRUE(watch.WaitForExit());
      EXPECT_TRUE(watch.GetExitCode(&code));
      if (finish) Slot().Finish(watch);
    });
    return code;
  }

  static std::vector<sim::sessions::Ending> Terminations() {
    std::vector<sim::sessions::Ending> terminated;
    for (const auto& ending : sim::sessions::Endings()) {
      if (ending.terminated) terminated.push_back(ending);
    }
    return terminated;
  }
};

TEST_F(PopupSlotTest, AKindIsClaimedOnceUntilItsFlagIsCleared) {
  EXPECT_FALSE(Slot().Running());
  EXPECT_TRUE(OnServiceThread([&] { return Slot().Claim(); }));
  EXPECT_TRUE(Slot().Running());
  EXPECT_FALSE(OnServiceThread([&] { return Slot().Claim(); })) << "already claimed";
  EXPECT_TRUE(OnServiceThread([&] { return Slot().End(); })) << "clears the flag";
  EXPECT_FALSE(Slot().Running());
  RunOnServiceThread([&] { Slot().MarkRunning(); });
  RunOnServiceThread([&] { Slot().MarkRunning(); });
  EXPECT_TRUE(Slot().Running());
}

TEST_F(PopupSlotTest, EndingANotRunningKindDoesNothing) {
  EXPECT_FALSE(OnServiceThread([&] { return Slot().End(); }));
  EXPECT_FALSE(OnServiceThread([&] { return Slot().Terminate(); }));
  EXPECT_TRUE(Terminations().empty());
}

TEST_F(PopupSlotTest, AClaimWithAFailedLaunchCanStillBeEnded) {
  sim::Fail("CreateProcessAsUserW", {});
  RunOnServiceThread([&] {
    ASSERT_TRUE(Slot().Claim());
    EXPECT_EQ(LaunchPopup(KIND), 0);
  });
  EXPECT_TRUE(Slot().Running()) << "the flag stays after a failed launch";
  EXPECT_TRUE(OnServiceThread([&] { return Slot().End(); }));
  EXPECT_FALSE(Slot().Running());
  EXPECT_TRUE(Terminations().empty()) << "nothing to terminate";
}

TEST_F(PopupSlotTest, EndTerminatesWithFourAndClosesBothHandles) {
  ClaimAndLaunch();
  EXPECT_EQ(OpenOfKind("Process"), 1);
  EXPECT_TRUE(OnServiceThread([&] { return Slot().End(); }));
  EXPECT_FALSE(Slot().Running());
  std::vector<sim::sessions::Ending> terminated = Terminations();
  ASSERT_EQ(terminated.size(), 1u);
  EXPECT_EQ(terminated[0].exitCode, 4u);
  EXPECT_EQ(OpenOfKind("Process"), 0);
  EXPECT_EQ(OpenOfKind("Thread"), 0);
}

TEST_F(PopupSlotTest, AWatcherWokenForAnEndedPopupSeesFour) {
  ClaimAndLaunch();
  RunOnServiceThread([&] { Slot().End(); });
  EXPECT_EQ(OpenOfKind("Process"), 0) << "closed although the watcher has not taken it";
  EXPECT_EQ(WatchOnce(), 4u);
  EXPECT_EQ(WatchOnce(), 0xdeadbeefu) << "taken once only";
}

TEST_F(PopupSlotTest, TerminateLeavesFlagAndHandlesToTheWatcher) {
  ClaimAndLaunch();
  EXPECT_TRUE(OnServiceThread([&] { return Slot().Terminate(); }));
  EXPECT_TRUE(Slot().Running());
  EXPECT_EQ(OpenOfKind("Process"), 1);
  ASSERT_EQ(Terminations().size(), 1u);
  EXPECT_EQ(Terminations()[0].exitCode, 4u);
  EXPECT_EQ(WatchOnce(), 4u);
  EXPECT_FALSE(Slot().Running()) << "the watcher finished it";
  EXPECT_EQ(OpenOfKind("Process"), 0);
}

TEST_F(PopupSlotTest, AWatcherSeesTheAnswerOfAPopupThatExitedByItself) {
  sim::sessions::SetPopupBehaviour(EXE, {2, 1500});
  ClaimAndLaunch();
  EXPECT_EQ(WatchOnce(), 2u);
  EXPECT_FALSE(Slot().Running());
  EXPECT_EQ(OpenOfKind("Process"), 0);
  EXPECT_TRUE(Terminations().empty());
}

TEST_F(PopupSlotTest, AStaleWakeUpTakesNothing) {
  EXPECT_EQ(WatchOnce(), 0xdeadbeefu);
  ClaimAndLaunch();
  sim::sessions::ExitPopup(EXE, 1);
  EXPECT_EQ(WatchOnce(), 1u);
  EXPECT_EQ(WatchOnce(), 0xdeadbeefu) << "the launch was taken already";
}

TEST_F(PopupSlotTest, AFinishedWatchLeavesANewerLaunchAlone) {
  ClaimAndLaunch();
  PopupWatch watch;
  RunOnServiceThread([&] { watch = Slot().TakeLaunch(); });
  ASSERT_TRUE(watch);
  // The connector ends the popup and starts the next one before the
  // watcher has finished with the first.
  RunOnServiceThread([&] { Slot().End(); });
  ClaimAndLaunch();
  DWORD code = 0;
  RunOnServiceThread([&] {
    EXPECT_TRUE(watch.WaitForExit());
    EXPECT_TRUE(watch.GetExitCode(&code));
    Slot().Finish(watch);
  });
  EXPECT_EQ(code, 4u);
  EXPECT_FALSE(watch) << "the watch is let go";
  EXPECT_TRUE(Slot().Running()) << "the newer launch keeps its flag";
  EXPECT_EQ(OpenOfKind("Process"), 1) << "and its handles";
  EXPECT_TRUE(sim::sessions::Running(EXE));
  DWORD newer = 0;
  RunOnServiceThread([&] {
    PopupWatch next = Slot().TakeLaunch();
    EXPECT_TRUE(next) << "the newer launch is offered next";
    EXPECT_TRUE(next.GetExitCode(&newer));
  });
  EXPECT_EQ(newer, STILL_ACTIVE);
}

TEST_F(PopupSlotTest, AWatcherThatLetsGoWithoutFinishingLeavesTheSlotToTheEnders) {
  ClaimAndLaunch();
  sim::sessions::ExitPopup(EXE, 0);
  EXPECT_EQ(WatchOnce(false), 0u);
  EXPECT_TRUE(Slot().Running());
  EXPECT_EQ(OpenOfKind("Process"), 1) << "the slot still holds the handles";
  EXPECT_TRUE(OnServiceThread([&] { return Slot().End(); }));
  EXPECT_EQ(OpenOfKind("Process"), 0);
  EXPECT_TRUE(Terminations().empty()) << "it had ended already";
}

TEST_F(PopupSlotTest, ALaunchOverAnUnendedOneLetsTheOldHandlesGo) {
  ClaimAndLaunch();
  RunOnServiceThread([&] {
    Slot().MarkRunning();
    LaunchPopup(KIND);
  });
  EXPECT_EQ(OpenOfKind("Process"), 1);
  EXPECT_EQ(Launches().size(), 2u);
}

TEST_F(PopupSlotTest, TheProcessEndClosesWhatTheSlotsStillHold) {
  ClaimAndLaunch();
  EndServiceProcess();
  for (const std::string& line : sim::HandlesOpenAtExit()) {
    EXPECT_EQ(line.find("Process"), std::string::npos) << line;
    EXPECT_EQ(line.find("Thread"), std::string::npos) << line;
  }
  EXPECT_TRUE(sim::sessions::Running(EXE)) << "the popup outlives the service";
}

}  // namespace
}  // namespace koru
