// The console session, the console user's token and its duplicates, and
// environment blocks.
#include "kernel_fixture.h"
#include "sim/sessions.h"

namespace sim_test {
namespace {

using SessionTest = MachineTest;

HANDLE kPoisonHandle() { return reinterpret_cast<HANDLE>(uintptr_t{kPoison}); }

DWORD SessionOf(HANDLE token) {
  DWORD session = kPoison;
  DWORD length = 0;
  EXPECT_TRUE(GetTokenInformation(token, TokenSessionId, &session, sizeof session, &length));
  EXPECT_EQ(length, sizeof(DWORD));
  return session;
}

TOKEN_TYPE TypeOf(HANDLE token) {
  TOKEN_TYPE type = TokenImpersonation;
  DWORD length = 0;
  EXPECT_TRUE(GetTokenInformation(token, TokenType, &type, sizeof type, &length));
  return type;
}

TEST_F(SessionTest, NoConsoleSessionReadsAsAllBitsSet) {
  StartProcess();
  sim::sessions::SetConsole(sim::sessions::kNoConsoleSession, true);
  EXPECT_EQ(WTSGetActiveConsoleSessionId(), 0xFFFFFFFFu);
  HANDLE token = kPoisonHandle();
  SetLastError(kPoison);
  EXPECT_FALSE(WTSQueryUserToken(0xFFFFFFFF, &token));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(token, kPoisonHandle()) << "no token written";
}

TEST_F(SessionTest, UserTokenNeedsAUserInAnExistingSession) {
  StartProcess();
  sim::sessions::SetConsole(2, false);
  EXPECT_EQ(WTSGetActiveConsoleSessionId(), 2u);
  struct Case {
    ULONG session;
    DWORD error;
  };
  // Nobody logged on at the console; session 0 has services only; session
  // 7 does not exist.
  for (Case c : {Case{2, ERROR_NO_TOKEN}, Case{0, ERROR_NO_TOKEN}, Case{7, ERROR_FILE_NOT_FOUND}}) {
    HANDLE token = nullptr;
    SetLastError(kPoison);
    EXPECT_FALSE(WTSQueryUserToken(c.session, &token)) << "session " << c.session;
    EXPECT_EQ(GetLastError(), c.error) << "session " << c.session;
  }
  sim::sessions::SetConsole(2, true);
  HANDLE token = nullptr;
  EXPECT_TRUE(WTSQueryUserToken(2, &token));
  EXPECT_EQ(SessionOf(token), 2u);
  EXPECT_TRUE(CloseHandle(token));
}

TEST_F(SessionTest, DuplicateKeepsTheUserAndTakesTheNewType) {
  StartProcess();
  HANDLE user = nullptr;
  ASSERT_TRUE(WTSQueryUserToken(1, &user));
  HANDLE impersonation = nullptr;
  ASSERT_TRUE(DuplicateTokenEx(user, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                               TokenImpersonation, &impersonation));
  EXPECT_EQ(TypeOf(impersonation), TokenImpersonation);
  EXPECT_EQ(SessionOf(impersonation), 1u);
  HANDLE bad = nullptr;
  SetLastError(kPoison);
  EXPECT_FALSE(DuplicateTokenEx(user, TOKEN_ALL_ACCESS, nullptr,
                                static_cast<SECURITY_IMPERSONATION_LEVEL>(9), TokenPrimary, &bad));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_IMPERSONATION_LEVEL));
  EXPECT_TRUE(CloseHandle(impersonation));
  EXPECT_TRUE(CloseHandle(user));
}

// ---- environment blocks ----------------------------------------------------------

std::wstring Variables(LPVOID block) {
  std::wstring text;
  for (const wchar_t* s = static_cast<const wchar_t*>(block); *s != L'\0'; s += wcslen(s) + 1) {
    text += s;
    text += L";";
  }
  return text;
}

TEST_F(SessionTest, EnvironmentBlocksAreTheTokenUsers) {
  StartProcess();
  HANDLE user = nullptr;
  ASSERT_TRUE(WTSQueryUserToken(1, &user));
  LPVOID userBlock = nullptr;
  ASSERT_TRUE(CreateEnvironmentBlock(&userBlock, user, FALSE));
  EXPECT_NE(Variables(userBlock).find(L"USERPROFILE=C:\\Users\\User;"), std::wstring::npos)
      << ::testing::PrintToString(Variables(userBlock));
  LPVOID systemBlock = nullptr;
  ASSERT_TRUE(CreateEnvironmentBlock(&systemBlock, nullptr, FALSE));
  EXPECT_NE(Variables(systemBlock).find(L"USERNAME=SYSTEM;"), std::wstring::npos)
      << ::testing::PrintToString(Variables(systemBlock));
  EXPECT_EQ(sim::sessions::LiveEnvironmentBlocks(), 2);
  EXPECT_TRUE(DestroyEnvironmentBlock(userBlock));
  EXPECT_TRUE(DestroyEnvironmentBlock(systemBlock));
  EXPECT_EQ(sim::sessions::LiveEnvironmentBlocks(), 0);
  EXPECT_TRUE(CloseHandle(user));
}

TEST_F(SessionTest, DestroyingABlockTwiceIsRecorded) {
  StartProcess();
  LPVOID block = nullptr;
  ASSERT_TRUE(CreateEnvironmentBlock(&block, nullptr, FALSE));
  EXPECT_TRUE(DestroyEnvironmentBlock(block));
  SetLastError(kPoison);
  EXPECT_FALSE(DestroyEnvironmentBlock(block));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ASSERT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_NE(sim::HandleFaults()[0].find("DestroyEnvironmentBlock"), std::string::npos)
      << sim::HandleFaults()[0];
}

TEST_F(SessionTest, InjectedFaultsUseTheirDefaultErrors) {
  StartProcess();
  sim::Fail("WTSQueryUserToken", {});
  sim::Fail("CreateEnvironmentBlock", {});
  sim::Fail("WTSGetActiveConsoleSessionId", {});
  HANDLE token = nullptr;
  SetLastError(kPoison);
  EXPECT_FALSE(WTSQueryUserToken(1, &token));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_TOKEN));
  LPVOID block = nullptr;
  SetLastError(kPoison);
  EXPECT_FALSE(CreateEnvironmentBlock(&block, nullptr, FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(WTSGetActiveConsoleSessionId(), 0xFFFFFFFFu) << "a console in transition";
  EXPECT_EQ(WTSGetActiveConsoleSessionId(), 1u) << "the fault was for one call";
}

}  // namespace
}  // namespace sim_test
