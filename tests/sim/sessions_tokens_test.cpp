// The console session and its user's token, and an environment block
// destroyed twice.
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

}  // namespace
}  // namespace sim_test
