// A started popup whose scripted answer is still waiting on a timer when
// it is terminated.
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

}  // namespace
}  // namespace sim_test
