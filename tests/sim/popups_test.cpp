// Started programs as the popups behave: open until ended, a scripted
// answer at once or after a virtual delay, an exit when the controller
// says; their primary threads; and what the machine reports of them.
#include <string>

#include "kernel_fixture.h"
#include "sim/sessions.h"

namespace sim_test {
namespace {

constexpr wchar_t kPopup[] = L"KoruPopupWindow.exe";

class PopupTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    StartProcess();
  }

  // Starts the volume-limit popup beside the service; the handles are the
  // test's to close.
  PROCESS_INFORMATION Launch() {
    HANDLE token = nullptr;
    EXPECT_TRUE(WTSQueryUserToken(1, &token));
    std::wstring line = L"\"C:\\Program Files\\Koru Audio\\KoruPopupWindow.exe\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION launched = {};
    EXPECT_TRUE(CreateProcessAsUserW(token, nullptr, line.data(), nullptr, nullptr, FALSE, 0,
                                     nullptr, nullptr, &startup, &launched));
    CloseHandle(token);
    return launched;
  }

  static DWORD ExitCode(HANDLE process) {
    DWORD code = kPoison;
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    return code;
  }

  static void Close(const PROCESS_INFORMATION& launched) {
    EXPECT_TRUE(CloseHandle(launched.hThread));
    EXPECT_TRUE(CloseHandle(launched.hProcess));
  }
};

TEST_F(PopupTest, TerminateEndsItAndItsPrimaryThread) {
  PROCESS_INFORMATION launched = Launch();
  DWORD threadCode = kPoison;
  EXPECT_TRUE(GetExitCodeThread(launched.hThread, &threadCode));
  EXPECT_EQ(threadCode, STILL_ACTIVE);
  EXPECT_TRUE(TerminateProcess(launched.hProcess, 4));
  EXPECT_EQ(ExitCode(launched.hProcess), 4u);
  EXPECT_EQ(WaitForSingleObject(launched.hThread, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(GetExitCodeThread(launched.hThread, &threadCode));
  EXPECT_EQ(threadCode, 4u);
  EXPECT_FALSE(sim::sessions::Running(kPopup));
  std::vector<sim::sessions::Ending> endings = sim::sessions::Endings();
  ASSERT_EQ(endings.size(), 1u);
  EXPECT_EQ(endings[0].pid, launched.dwProcessId);
  EXPECT_EQ(endings[0].exitCode, 4u);
  EXPECT_TRUE(endings[0].terminated);
  Close(launched);
}

TEST_F(PopupTest, ADelayedAnswerIsATimerOfTheMachine) {
  sim::sessions::SetPopupBehaviour(kPopup, {1, 2000});
  PROCESS_INFORMATION launched = Launch();
  DWORD waited = kPoison;
  uint64_t wokeAt = 0;
  sim::StartThread([&] {
    waited = WaitForSingleObject(launched.hProcess, INFINITE);
    wokeAt = sim::NowMs();
  });
  uint64_t start = sim::NowMs();
  sim::Advance(1999);
  EXPECT_EQ(waited, kPoison) << "still open after 1999 ms";
  sim::Advance(1);
  EXPECT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(wokeAt - start, 2000u);
  EXPECT_EQ(ExitCode(launched.hProcess), 1u);
  Close(launched);
}

TEST_F(PopupTest, SettleRunsUpToTheAnswer) {
  sim::sessions::SetPopupBehaviour(kPopup, {3, 5000});
  PROCESS_INFORMATION launched = Launch();
  uint64_t start = sim::NowMs();
  sim::Settle();
  EXPECT_EQ(sim::NowMs() - start, 5000u);
  EXPECT_EQ(ExitCode(launched.hProcess), 3u);
  Close(launched);
}

TEST_F(PopupTest, ADelayedAnswerDoesNotOutliveATermination) {
  sim::sessions::SetPopupBehaviour(kPopup, {1, 2000});
  PROCESS_INFORMATION launched = Launch();
  sim::Advance(500);
  EXPECT_TRUE(TerminateProcess(launched.hProcess, 4));
  uint64_t start = sim::NowMs();
  sim::Settle();
  EXPECT_EQ(sim::NowMs(), start) << "no timer left";
  EXPECT_EQ(ExitCode(launched.hProcess), 4u);
  EXPECT_EQ(sim::sessions::Endings().size(), 1u);
  Close(launched);
}

TEST_F(PopupTest, TheControllerEndsTheRunningOnes) {
  PROCESS_INFORMATION first = Launch();
  EXPECT_TRUE(TerminateProcess(first.hProcess, 4));
  PROCESS_INFORMATION second = Launch();
  sim::sessions::ExitPopup(kPopup, 2);
  EXPECT_EQ(ExitCode(first.hProcess), 4u) << "an ended one stays as it ended";
  EXPECT_EQ(ExitCode(second.hProcess), 2u);
  EXPECT_TRUE(sim::Problems().empty());
  sim::sessions::ExitPopup(kPopup, 2);
  ASSERT_EQ(sim::Problems().size(), 1u);
  EXPECT_EQ(sim::Problems()[0], "popup-exit: no program of KoruPopupWindow.exe runs");
  Close(first);
  Close(second);
}

TEST_F(PopupTest, ResetEndsWhatStillRuns) {
  Launch();
  sim::Reset();
  EXPECT_TRUE(sim::sessions::Launches().empty());
  EXPECT_TRUE(sim::sessions::Endings().empty());
  EXPECT_FALSE(sim::sessions::Running(kPopup));
  EXPECT_EQ(sim::sessions::ConsoleSession(), 1u);
}

TEST_F(PopupTest, NamesMatchFileNamesOrWholePaths) {
  std::wstring program = L"C:\\Program Files\\Koru Audio\\ChimeWindow.exe";
  EXPECT_TRUE(sim::sessions::NamesProgram(L"chimewindow.exe", program));
  EXPECT_TRUE(
      sim::sessions::NamesProgram(L"C:\\PROGRAM FILES\\Koru Audio\\ChimeWindow.exe", program));
  EXPECT_FALSE(sim::sessions::NamesProgram(L"C:\\ChimeWindow.exe", program));
  EXPECT_FALSE(sim::sessions::NamesProgram(L"Chime.exe", program));
}

}  // namespace
}  // namespace sim_test
