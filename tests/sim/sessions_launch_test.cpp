// CreateProcessAsUserW: the program a command line starts, the checks on
// the token and the arguments, and the record of each launch.
#include <string>

#include "kernel_fixture.h"
#include "sim/sessions.h"

namespace sim_test {
namespace {

constexpr wchar_t kSwitchWindow[] = L"C:\\Program Files\\Koru Audio\\KoruAudioSwitchWindow.exe";

class LaunchTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    StartProcess();
    ASSERT_TRUE(WTSQueryUserToken(1, &token_));
  }
  void TearDown() override {
    for (HANDLE handle : opened_) CloseHandle(handle);
    CloseHandle(token_);
    MachineTest::TearDown();
  }

  // Starts `commandLine` with no application name; returns the error, or 0.
  DWORD Start(std::wstring commandLine, LPVOID environment = nullptr,
              DWORD flags = CREATE_UNICODE_ENVIRONMENT, LPCWSTR applicationName = nullptr) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION launched = {};
    SetLastError(kPoison);
    if (!CreateProcessAsUserW(token_, applicationName, commandLine.data(), nullptr, nullptr, FALSE,
                              flags, environment, nullptr, &startup, &launched)) {
      return GetLastError();
    }
    opened_.push_back(launched.hProcess);
    opened_.push_back(launched.hThread);
    return 0;
  }

  std::wstring LastProgram() const {
    const auto& launches = sim::sessions::Launches();
    return launches.empty() ? L"(none)" : launches.back().program;
  }

  HANDLE token_ = nullptr;
  std::vector<HANDLE> opened_;
};

TEST_F(LaunchTest, StructuresHaveTheirSixtyFourBitSizes) {
  EXPECT_EQ(sizeof(STARTUPINFOW), 104u);
  EXPECT_EQ(sizeof(PROCESS_INFORMATION), 24u);
}

TEST_F(LaunchTest, AQuotedProgramIsTakenAsItStands) {
  sim::sessions::AddFile(L"C:\\Program.exe");
  EXPECT_EQ(Start(L"\"" + std::wstring(kSwitchWindow) + L"\" 1"), 0u);
  EXPECT_EQ(LastProgram(), kSwitchWindow);
  EXPECT_FALSE(sim::sessions::Running(L"C:\\Program.exe"));
}

TEST_F(LaunchTest, AnUnquotedPathWithBlanksTriesEachPrefix) {
  std::wstring line = std::wstring(kSwitchWindow) + L" 1";
  // Nothing planted: the shortest prefix that exists is the popup itself.
  EXPECT_EQ(Start(line), 0u);
  EXPECT_EQ(LastProgram(), kSwitchWindow);
  // "C:\Program Files\Koru" + ".exe" comes before the popup ...
  sim::sessions::AddFile(L"C:\\Program Files\\Koru.exe");
  EXPECT_EQ(Start(line), 0u);
  EXPECT_EQ(LastProgram(), L"C:\\Program Files\\Koru.exe");
  // ... and "C:\Program" + ".exe" before both; file names compare without
  // regard to case.
  sim::sessions::AddFile(L"c:\\program.EXE");
  EXPECT_EQ(Start(line), 0u);
  EXPECT_EQ(LastProgram(), L"C:\\Program.exe");
  EXPECT_TRUE(sim::sessions::Running(L"C:\\Program.exe"));
  EXPECT_EQ(sim::sessions::Launches().size(), 3u);
}

TEST_F(LaunchTest, ExeIsAppendedOnlyWithoutAnExtension) {
  sim::sessions::AddFile(L"C:\\Tools\\run.exe");
  sim::sessions::AddFile(L"C:\\Tools\\run.bin");
  EXPECT_EQ(Start(L"C:\\Tools\\run -x"), 0u);
  EXPECT_EQ(LastProgram(), L"C:\\Tools\\run.exe");
  EXPECT_EQ(Start(L"\"C:\\Tools\\run.bin\""), 0u);
  EXPECT_EQ(LastProgram(), L"C:\\Tools\\run.bin");
  EXPECT_EQ(Start(L"C:\\Tools\\missing.exe"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Start(L"   "), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(LaunchTest, TheDefaultFilesFollowTheModulePath) {
  sim::SetModulePath(L"D:\\Koru\\KoruAudioService.exe");
  EXPECT_TRUE(sim::sessions::FileExists(L"d:\\koru\\ChimeWindow.exe"));
  EXPECT_TRUE(sim::sessions::FileExists(L"D:\\Koru\\KoruAudioService.exe"));
  EXPECT_FALSE(sim::sessions::FileExists(kSwitchWindow));
  EXPECT_EQ(Start(L"\"D:\\Koru\\KoruPopupWindow.exe\""), 0u);
}

TEST_F(LaunchTest, AnApplicationNameNeedsItsExtension) {
  sim::sessions::AddFile(L"C:\\Tools\\run.exe");
  EXPECT_EQ(Start(L"ignored words", nullptr, CREATE_UNICODE_ENVIRONMENT, L"C:\\Tools\\run.exe"),
            0u);
  EXPECT_EQ(LastProgram(), L"C:\\Tools\\run.exe");
  ASSERT_TRUE(sim::sessions::Launches().back().applicationName.has_value());
  EXPECT_EQ(Start(L"x", nullptr, CREATE_UNICODE_ENVIRONMENT, L"C:\\Tools\\run"),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(LaunchTest, AnImpersonationTokenIsRefused) {
  HANDLE impersonation = nullptr;
  ASSERT_TRUE(DuplicateTokenEx(token_, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                               TokenImpersonation, &impersonation));
  std::swap(token_, impersonation);
  EXPECT_EQ(Start(L"\"" + std::wstring(kSwitchWindow) + L"\""),
            static_cast<DWORD>(ERROR_BAD_TOKEN_TYPE));
  std::swap(token_, impersonation);
  EXPECT_TRUE(CloseHandle(impersonation));
  EXPECT_TRUE(sim::sessions::Launches().empty());
}

TEST_F(LaunchTest, AMachineBlockNeedsTheUnicodeFlag) {
  LPVOID block = nullptr;
  ASSERT_TRUE(CreateEnvironmentBlock(&block, token_, FALSE));
  std::wstring line = L"\"" + std::wstring(kSwitchWindow) + L"\"";
  EXPECT_EQ(Start(line, block, 0), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(Start(line, block), 0u);
  EXPECT_EQ(sim::sessions::Launches().back().environment, sim::sessions::Environment::ConsoleUser);
  EXPECT_TRUE(DestroyEnvironmentBlock(block));
}

TEST_F(LaunchTest, EveryArgumentIsRecorded) {
  wchar_t desktop[] = L"WinSta0\\Default";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.lpDesktop = desktop;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  std::wstring line = L"\"" + std::wstring(kSwitchWindow) + L"\" 0";
  PROCESS_INFORMATION launched = {};
  ASSERT_TRUE(CreateProcessAsUserW(token_, nullptr, line.data(), nullptr, nullptr, TRUE, 0x430,
                                   nullptr, nullptr, &startup, &launched));
  opened_ = {launched.hProcess, launched.hThread};
  ASSERT_EQ(sim::sessions::Launches().size(), 1u);
  const sim::sessions::Launch& launch = sim::sessions::Launches()[0];
  EXPECT_EQ(launch.pid, launched.dwProcessId);
  EXPECT_NE(launched.dwThreadId, 0u);
  EXPECT_EQ(launch.commandLine, line);
  EXPECT_FALSE(launch.applicationName.has_value());
  EXPECT_EQ(launch.user, sim::sessions::TokenUser::ConsoleUser);
  EXPECT_EQ(launch.session, 1u);
  EXPECT_EQ(launch.desktop.value_or(L"(none)"), L"WinSta0\\Default");
  EXPECT_EQ(launch.environment, sim::sessions::Environment::None);
  EXPECT_EQ(launch.creationFlags, 0x430u);
  EXPECT_EQ(launch.startupSize, 104u);
  EXPECT_EQ(launch.startupFlags, 1u);
  EXPECT_EQ(launch.showWindow, 0);
  EXPECT_TRUE(launch.inheritHandles);
}

TEST_F(LaunchTest, TheStartedProgramHasTheTokenItWasStartedWith) {
  ASSERT_EQ(Start(L"\"" + std::wstring(kSwitchWindow) + L"\""), 0u);
  HANDLE popupToken = nullptr;
  ASSERT_TRUE(OpenProcessToken(opened_[0], TOKEN_QUERY, &popupToken));
  DWORD session = kPoison;
  DWORD length = 0;
  EXPECT_TRUE(GetTokenInformation(popupToken, TokenSessionId, &session, sizeof session, &length));
  EXPECT_EQ(session, 1u);
  EXPECT_TRUE(CloseHandle(popupToken));
}

TEST_F(LaunchTest, FailedLaunchesAreNotRecorded) {
  sim::Fail("CreateProcessAsUserW", {});
  EXPECT_EQ(Start(L"\"" + std::wstring(kSwitchWindow) + L"\""),
            static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(sim::sessions::Launches().empty());
  EXPECT_FALSE(sim::sessions::Running(L"KoruAudioSwitchWindow.exe"));
}

}  // namespace
}  // namespace sim_test
