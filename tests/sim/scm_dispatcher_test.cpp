// The dispatcher of the simulated service control manager (a service's
// normal life is a scenario step): the handler's registration, refused
// status reports, pending starts, processes that end without STOPPED, and
// the starts the manager refuses.
#include "scm_fixture.h"

namespace sim_test::scm {
namespace {

using ScmDispatcherTest = ScmTest;

const std::wstring kQuotedPath = L"\"C:\\Program Files\\Koru Audio\\KoruAudioService.exe\"";

TEST_F(ScmDispatcherTest, StartsThatTheManagerRefuses) {
  EXPECT_EQ(sim::services::Start(kServiceName, TestServiceProgram()),
            static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  Install(SERVICE_DEMAND_START, L"C:\\Windows\\elsewhere.exe");
  EXPECT_EQ(sim::services::Start(kServiceName, TestServiceProgram()),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(sim::ProgramAlive()) << "a refused start launches nothing";
}

TEST_F(ScmDispatcherTest, ADisabledServiceIsNotStarted) {
  Install(SERVICE_DISABLED);
  EXPECT_EQ(sim::services::Start(kServiceName, TestServiceProgram()),
            static_cast<DWORD>(ERROR_SERVICE_DISABLED));
}

TEST_F(ScmDispatcherTest, AHandlerUnderAnotherNameIsRefused) {
  TheBehaviour().handlerName = L"KoruAudioService";
  StartRunning();
  EXPECT_EQ(TheSeen().statusHandle, nullptr);
  EXPECT_EQ(TheSeen().registerError, static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  EXPECT_EQ(sim::services::CurrentState(), SERVICE_START_PENDING)
      << "the manager's view until the service reports";
}

TEST_F(ScmDispatcherTest, NoHandlerOutsideAProcessTheManagerStarted) {
  StartProcess();
  SetLastError(kPoison);
  SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerExW(
      kServiceName, [](DWORD, DWORD, LPVOID, LPVOID) -> DWORD { return 0; }, nullptr);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST_F(ScmDispatcherTest, SetServiceStatusRefusesABadHandleAndABadState) {
  StartRunning();
  SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, 0, 0, 0, 0, 0};
  SetLastError(kPoison);
  EXPECT_EQ(SetServiceStatus(nullptr, &status), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  auto forged = reinterpret_cast<SERVICE_STATUS_HANDLE>(
      reinterpret_cast<uintptr_t>(TheSeen().statusHandle) + 1);
  SetLastError(kPoison);
  EXPECT_EQ(SetServiceStatus(forged, &status), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  status.dwCurrentState = 9;
  SetLastError(kPoison);
  EXPECT_EQ(SetServiceStatus(TheSeen().statusHandle, &status), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_EQ(sim::services::StatusHistory().size(), 2u) << "refused reports are not recorded";
}

TEST_F(ScmDispatcherTest, AStatusHandleDiesWithItsProcess) {
  StartRunning();
  SERVICE_STATUS_HANDLE old = TheSeen().statusHandle;
  sim::EndProgram();
  ASSERT_EQ(sim::services::Start(kServiceName, TestServiceProgram()), 0u);
  sim::Settle();
  EXPECT_NE(TheSeen().statusHandle, old) << "status handles are never reused";
  SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, 0, 0, 0, 0, 0};
  EXPECT_EQ(SetServiceStatus(old, &status), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(ScmDispatcherTest, AStartThatStaysPendingIsJustItsState) {
  TheBehaviour().reportRunning = false;
  StartRunning();
  sim::Advance(60000);
  EXPECT_EQ(sim::services::CurrentState(), SERVICE_START_PENDING);
  EXPECT_EQ(BriefHistory(), std::vector<std::string>{"START_PENDING/1/3000/0x0"});
  EXPECT_TRUE(sim::Problems().empty()) << ::testing::PrintToString(sim::Problems());
  EXPECT_TRUE(sim::ProgramAlive());
  EXPECT_EQ(sim::LiveThreads(), 1) << "the service main returned; the dispatcher waits on";
}

TEST_F(ScmDispatcherTest, AProcessEndedWithoutStoppedCountsAsStopped) {
  StartRunning();
  sim::EndProgram();
  EXPECT_EQ(sim::services::CurrentState(), SERVICE_STOPPED);
  EXPECT_EQ(BriefHistory().back(), "RUNNING/0/0/0x101") << "nothing is added to the history";
  EXPECT_EQ(sim::services::Control(SERVICE_CONTROL_INTERROGATE),
            static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
}

}  // namespace
}  // namespace sim_test::scm
