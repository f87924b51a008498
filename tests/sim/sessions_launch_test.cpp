// CreateProcessAsUserW: the program a command line starts and the checks
// on the token and the arguments.
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

}  // namespace
}  // namespace sim_test
