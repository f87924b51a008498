// Helpers of the service control manager's tests.
#include "scm_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace sim_test::scm {

std::string Brief(const SERVICE_STATUS& status) {
  static const char* const kStates[] = {
      "?",       "STOPPED",          "START_PENDING", "STOP_PENDING",
      "RUNNING", "CONTINUE_PENDING", "PAUSE_PENDING", "PAUSED"};
  DWORD state = status.dwCurrentState;
  std::string name = state < 8 ? kStates[state] : std::to_string(state);
  char controls[16];
  std::snprintf(controls, sizeof controls, "0x%X", status.dwControlsAccepted);
  return name + "/" + std::to_string(status.dwCheckPoint) + "/" +
         std::to_string(status.dwWaitHint) + "/" + controls;
}

std::vector<std::string> BriefHistory() {
  std::vector<std::string> history;
  for (const sim::services::StatusReport& report : sim::services::StatusHistory()) {
    history.push_back(Brief(report.status));
  }
  return history;
}

std::vector<DWORD> DeliveredControls() {
  std::vector<DWORD> controls;
  for (const sim::services::Delivery& delivery : sim::services::Deliveries()) {
    controls.push_back(delivery.control);
  }
  return controls;
}

void ScmTest::Install(DWORD startType, const std::wstring& path) {
  std::wstring binaryPath = path.empty() ? sim::ModulePath() : path;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(manager, nullptr) << "error " << GetLastError();
  SC_HANDLE service = CreateServiceW(
      manager, kServiceName, kServiceName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, startType,
      SERVICE_ERROR_NORMAL, binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(service, nullptr) << "error " << GetLastError();
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
}

void ScmTest::StartRunning(DWORD startType) {
  if (!sim::services::Find(kServiceName)) Install(startType);
  ASSERT_EQ(sim::services::Start(kServiceName, TestServiceProgram()), 0u);
  sim::Settle();
}

}  // namespace sim_test::scm
