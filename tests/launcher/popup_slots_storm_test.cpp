// Watchers raced against every kind of ender, in many seeded interleavings
// and with the threads running truly in parallel: each launch's handles are
// closed exactly once and never used after they are closed (the machine's
// handle audit), every watcher reads 4 for a popup another routine ended,
// and a watcher never touches a newer launch.
#include <string>
#include <vector>

#include "launcher/popup_slots.h"
#include "launcher_fixture.h"

namespace koru {
namespace {

constexpr int KIND = SWITCH_WINDOW;
constexpr wchar_t EXE[] = L"KoruAudioSwitchWindow.exe";
constexpr int ROUNDS = 4;
constexpr int SEEDS = 100;
constexpr int FREE_RUNS = 20;

// How the routine that races the watcher ends the popups it starts.
enum class Ender {
  End,             // the device connector: claim, launch, end
  TerminateOnly,   // the endpoint callback: terminate, leave the rest to the watcher
  EndAndRelaunch,  // a new switch window right after the old one was ended
};

const char* NameOf(Ender ender) {
  switch (ender) {
    case Ender::End:
      return "end";
    case Ender::TerminateOnly:
      return "terminate only";
    case Ender::EndAndRelaunch:
      return "end and relaunch";
  }
  return "?";
}

PopupSlot& Slot() { return *popupSlots[KIND]; }

// The watcher's loop, as the switch-window watcher runs it: one launch per
// wake-up while the connection is active.
void Watch(std::vector<DWORD>* seen) {
  while (WaitForWakeUp(*hPopupSemaphore[KIND]) && connectorActive->load() != 0) {
    PopupWatch watch = Slot().TakeLaunch();
    if (!watch) continue;
    watch.WaitForExit();
    DWORD code = 0;
    if (watch.GetExitCode(&code)) seen->push_back(code);
    Slot().Finish(watch);
  }
}

void RunEnder(Ender ender) {
  for (int round = 0; round < ROUNDS; ++round) {
    switch (ender) {
      case Ender::End:
        EXPECT_TRUE(Slot().Claim());
        LaunchPopup(KIND);
        Slot().End();
        break;
      case Ender::TerminateOnly:
        Slot().MarkRunning();
        LaunchPopup(KIND);
        Slot().Terminate();
        break;
      case Ender::EndAndRelaunch:
        Slot().End();
        EXPECT_TRUE(Slot().Claim());
        LaunchPopup(KIND);
        break;
    }
  }
}

class PopupSlotStormTest : public LauncherTest {
 protected:
  // One storm in a new machine with these options; failures name `run`.
  void Storm(Ender ender, const sim::Options& options, int watchers, const std::string& run) {
    SCOPED_TRACE(std::string(NameOf(ender)) + ", " + run + ", watchers " +
                 std::to_string(watchers));
    sim::Reset(options);
    StartWith(0x0004);
    connectorActive->store(1);
    std::vector<std::vector<DWORD>> seen(watchers);
    for (auto& codes : seen) sim::StartThread([&codes] { Watch(&codes); });
    sim::StartThread([ender] { RunEnder(ender); });
    sim::Settle();
    if (ender == Ender::EndAndRelaunch) ExpectNewestLaunchKept();
    WindDown(watchers);
    ExpectEveryHandleClosedOnce();
    int watched = 0;
    for (const auto& codes : seen) {
      for (DWORD code : codes) EXPECT_EQ(code, 4u) << "a watcher of an ended popup";
      watched += static_cast<int>(codes.size());
    }
    EXPECT_GE(watched, 1) << "the watchers saw no launch at all";
    EndServiceProcess();
    EXPECT_TRUE(sim::HandleFaults().empty()) << Joined(sim::HandleFaults());
    EXPECT_TRUE(sim::Problems().empty()) << Joined(sim::Problems());
  }

  // The watchers of the ended popups left the last launch alone.
  void ExpectNewestLaunchKept() {
    EXPECT_TRUE(Slot().Running());
    EXPECT_TRUE(sim::sessions::Running(EXE));
    EXPECT_EQ(OpenOfKind("Process"), 1);
  }

  // As the end of a connection does it: the flag first, then the wake-ups
  // and the end of what still runs.
  void WindDown(int watchers) {
    RunOnServiceThread([] {
      connectorActive->store(0);
      WakeUp(*hPopupSemaphore[KIND]);
      Slot().End();
    });
    for (int i = 1; i < watchers; ++i) RunOnServiceThread([] { WakeUp(*hPopupSemaphore[KIND]); });
    EXPECT_EQ(sim::LiveThreads(), 1) << "every watcher ended";
  }

  void ExpectEveryHandleClosedOnce() {
    EXPECT_EQ(OpenOfKind("Process"), 0);
    EXPECT_EQ(OpenOfKind("Thread"), 0);
    EXPECT_FALSE(sim::sessions::Running(EXE));
    EXPECT_EQ(sim::sessions::Launches().size(), static_cast<size_t>(ROUNDS));
  }

  void SeededStorms(Ender ender) {
    for (uint64_t seed = 1; seed <= SEEDS; ++seed) {
      sim::Options options;
      options.scheduling = sim::Scheduling::Seeded;
      options.seed = seed;
      Storm(ender, options, 1 + static_cast<int>(seed % 2), "seed " + std::to_string(seed));
      if (HasFailure()) return;
    }
  }

  void FreeRunningStorms(Ender ender) {
    for (int run = 1; run <= FREE_RUNS; ++run) {
      sim::Options options;
      options.scheduling = sim::Scheduling::FreeRunning;
      Storm(ender, options, 1 + run % 2, "free run " + std::to_string(run));
      if (HasFailure()) return;
    }
  }
};

TEST_F(PopupSlotStormTest, SeededWatcherAgainstEnd) { SeededStorms(Ender::End); }
TEST_F(PopupSlotStormTest, SeededWatcherAgainstTerminateOnly) {
  SeededStorms(Ender::TerminateOnly);
}
TEST_F(PopupSlotStormTest, SeededWatcherAgainstEndAndRelaunch) {
  SeededStorms(Ender::EndAndRelaunch);
}

TEST_F(PopupSlotStormTest, FreeRunningWatcherAgainstEnd) { FreeRunningStorms(Ender::End); }
TEST_F(PopupSlotStormTest, FreeRunningWatcherAgainstTerminateOnly) {
  FreeRunningStorms(Ender::TerminateOnly);
}
TEST_F(PopupSlotStormTest, FreeRunningWatcherAgainstEndAndRelaunch) {
  FreeRunningStorms(Ender::EndAndRelaunch);
}

}  // namespace
}  // namespace koru
