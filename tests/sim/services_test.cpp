// The simulated service control manager: the registrations, managers and
// callers it refuses, closing its handles, and the dispatcher's answer to a
// process that it did not start.
#include <gtest/gtest.h>

#include "sim/machine.h"
#include "sim/services.h"
#include "sim/windows.h"

namespace {

constexpr DWORD kPoisonDword = 0xdeadbeef;
const wchar_t kPath[] = L"C:\\Program Files\\Koru Audio\\KoruAudioService.exe";

void Nothing() {}

class Services : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }

  static SC_HANDLE OpenManager(DWORD access = SC_MANAGER_ALL_ACCESS) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, access);
    EXPECT_NE(manager, nullptr) << "error " << GetLastError();
    return manager;
  }

  // The registration the service's installer makes.
  static SC_HANDLE Install(SC_HANDLE manager, const wchar_t* path = kPath) {
    return CreateServiceW(manager, L"KoruAudioService", L"KoruAudioService", SERVICE_ALL_ACCESS,
                          SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, path,
                          nullptr, nullptr, nullptr, nullptr, nullptr);
  }
};

TEST_F(Services, ASecondRegistrationOfTheSameNameIsRefused) {
  SC_HANDLE manager = OpenManager();
  SC_HANDLE first = Install(manager);
  ASSERT_NE(first, nullptr);

  SetLastError(0xdeadbeef);
  SC_HANDLE second = Install(manager, L"D:\\elsewhere.exe");
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_EXISTS));
  ASSERT_EQ(sim::services::All().size(), 1u);
  EXPECT_EQ(sim::services::All().front().binaryPath, kPath) << "the first one is unchanged";

  CloseServiceHandle(first);
  CloseServiceHandle(manager);
}

// The registrations Windows refuses: a display name another service has, a
// tag for a service that is not boot- or system-start, a manager opened
// only to connect, and databases other than the local active one.
TEST_F(Services, RegistrationsAndManagersThatAreRefused) {
  SC_HANDLE manager = OpenManager();
  SC_HANDLE first = Install(manager);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateServiceW(manager, L"Other", L"KORUAUDIOSERVICE", SERVICE_ALL_ACCESS,
                           SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                           kPath, nullptr, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DUPLICATE_SERVICE_NAME));
  DWORD tag = kPoisonDword;
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateServiceW(manager, L"Tagged", nullptr, SERVICE_ALL_ACCESS,
                           SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                           kPath, L"Audio", &tag, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(tag, kPoisonDword);
  EXPECT_EQ(sim::services::All().size(), 1u);
  CloseServiceHandle(first);
  CloseServiceHandle(manager);

  SC_HANDLE connected = OpenManager(SC_MANAGER_CONNECT);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(Install(connected), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseServiceHandle(connected);

  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenSCManagerW(L"\\\\elsewhere", nullptr, SC_MANAGER_CONNECT), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
  EXPECT_EQ(OpenSCManagerW(nullptr, L"ServicesFailed", SC_MANAGER_CONNECT), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DATABASE_DOES_NOT_EXIST));
}

TEST_F(Services, ACallerThatIsNotElevatedIsRefusedTheManager) {
  sim::services::SetElevated(false);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  // Connecting alone is what Windows still grants a standard user.
  SC_HANDLE connected = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  EXPECT_NE(connected, nullptr) << "error " << GetLastError();
  CloseServiceHandle(connected);

  sim::Reset();
  EXPECT_NE(OpenManager(), nullptr) << "Reset makes the caller elevated again";
}

TEST_F(Services, DoubleCloseOfAServiceHandleIsAHandleFault) {
  SC_HANDLE manager = OpenManager();
  SC_HANDLE service = Install(manager);
  EXPECT_TRUE(CloseServiceHandle(service));
  ASSERT_TRUE(sim::HandleFaults().empty()) << sim::HandleFaults().front();

  SetLastError(0xdeadbeef);
  EXPECT_FALSE(CloseServiceHandle(service));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ASSERT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_NE(sim::HandleFaults().front().find("CloseServiceHandle"), std::string::npos)
      << sim::HandleFaults().front();
  EXPECT_TRUE(CloseServiceHandle(manager));
}

TEST_F(Services, NullOrForeignHandlesAreInvalid) {
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(CloseServiceHandle(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(sim::HandleFaults().empty()) << "a NULL handle is only a status";

  // A registry key is no service handle.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, nullptr, 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_FALSE(CloseServiceHandle(reinterpret_cast<SC_HANDLE>(key)));
  EXPECT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS) << "the key stays open";

  SetLastError(0xdeadbeef);
  EXPECT_EQ(
      CreateServiceW(nullptr, L"X", L"X", 0, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                     SERVICE_ERROR_NORMAL, kPath, nullptr, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(Services, TheDispatcherRefusesAProcessTheManagerDidNotStart) {
  SERVICE_TABLE_ENTRYW table[] = {{const_cast<LPWSTR>(L"KoruAudioService"), nullptr},
                                  {nullptr, nullptr}};
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(StartServiceCtrlDispatcherW(table));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT));

  // The same for a console-started service process.
  sim::StartProgram(sim::Program{&Nothing, nullptr, &Nothing});
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(StartServiceCtrlDispatcherW(table));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT));
  sim::EndProgram();
}

}  // namespace
