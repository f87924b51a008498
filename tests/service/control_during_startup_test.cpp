// The control handler and the status reports while the service is still
// starting: a device event that arrives between the registration for
// device notifications and the report of RUNNING is answered with the
// start-pending state again, at the next check point and with no control
// accepted; and nothing is reported once STOPPED was. The service main
// function here makes the first start-up steps of the real one, then waits
// for the test, so that the events arrive in the middle of the start.
#include <string>
#include <vector>

#include "service/control_handler.h"
#include "service/process_life.h"
#include "service/service_main.h"
#include "service/service_name.h"
#include "service/service_status.h"
#include "service/shared_objects.h"
#include "service_life_fixture.h"
#include "sim/devices.h"
#include "sim/services.h"

namespace koru {
namespace {

// Set by the paused service main function while it waits; the test's
// thread sets it to let the start go on.
HANDLE resume = nullptr;

// The steps of the real start-up up to the registration for device
// events, a wait, and then a stop right away, followed by one more report
// that must not reach the manager.
void WINAPI PausedServiceMain(DWORD, LPWSTR*) {
  RegisterStatusHandle(ServiceControlHandler);
  ReportServiceStatus(SERVICE_START_PENDING, NO_ERROR, 3000);
  CreateSharedObjects();
  RegisterForCodecEvents();
  resume = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  WaitForSingleObject(resume, INFINITE);
  CloseHandle(resume);
  ReportServiceStatus(SERVICE_STOPPED, NO_ERROR, 0);
  ReportServiceStatus(SERVICE_RUNNING, NO_ERROR, 0);
}

int PausedEntry(int, wchar_t**) {
  SERVICE_TABLE_ENTRYW table[] = {
      {const_cast<LPWSTR>(SERVICE_NAME), PausedServiceMain},
      {nullptr, nullptr},
  };
  StartServiceCtrlDispatcherW(table);
  return 0;
}

std::string Shown(const std::vector<sim::services::StatusReport>& history) {
  std::string text;
  for (const auto& report : history) {
    const SERVICE_STATUS& s = report.status;
    text += std::to_string(s.dwCurrentState) + "/" + std::to_string(s.dwCheckPoint) + "/" +
            std::to_string(s.dwWaitHint) + "/" + std::to_string(s.dwControlsAccepted) + " ";
  }
  return text;
}

class ControlDuringStartupTest : public ServiceLifeTest {
 protected:
  void SetUp() override {
    ServiceLifeTest::SetUp();
    ASSERT_EQ(RunService({L"install"}), 0u);
    sim::Program paused{&StartProcessObjects, &PausedEntry, &EndProcessObjects};
    ASSERT_EQ(sim::services::Start(SERVICE_NAME, paused), static_cast<DWORD>(ERROR_SUCCESS));
    sim::Settle();
    NewTrace();
  }
  static void Resume() {
    sim::StartThread([] { SetEvent(resume); });
    sim::Settle();
  }
};

TEST_F(ControlDuringStartupTest, ADeviceEventIsAnsweredWithStartPendingAgain) {
  sim::codec::Arrive(3);
  sim::Settle();
  std::vector<std::wstring> expected = {L"Entry the DeviceEvent Handle",
                                        L"Entry the DeviceEvent DBT_DEVICEARRIVAL"};
  EXPECT_EQ(NewTrace(), expected);

  sim::codec::Remove(sim::devices::Event::QueryRemove);
  sim::Settle();
  expected = {L"Entry the DeviceEvent Handle", L"Entry the DeviceEvent DBT_DEVICEQUERYREMOVE"};
  EXPECT_EQ(NewTrace(), expected) << "no connection to tear down yet";

  std::vector<sim::services::StatusReport> history = sim::services::StatusHistory();
  ASSERT_EQ(history.size(), 3u) << Shown(history);
  for (DWORD i = 0; i < 3; ++i) {
    const SERVICE_STATUS& s = history[i].status;
    EXPECT_EQ(s.dwCurrentState, static_cast<DWORD>(SERVICE_START_PENDING)) << Shown(history);
    EXPECT_EQ(s.dwCheckPoint, i + 1) << Shown(history);
    EXPECT_EQ(s.dwControlsAccepted, 0u) << Shown(history);
  }
  EXPECT_EQ(history[0].status.dwWaitHint, 3000u);
  EXPECT_EQ(history[1].status.dwWaitHint, 0u);
  Resume();
}

TEST_F(ControlDuringStartupTest, NothingIsReportedAfterStopped) {
  Resume();
  std::vector<sim::services::StatusReport> history = sim::services::StatusHistory();
  ASSERT_EQ(history.size(), 2u) << Shown(history);
  const SERVICE_STATUS& stopped = history[1].status;
  EXPECT_EQ(stopped.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(stopped.dwCheckPoint, 0u);
  EXPECT_EQ(stopped.dwControlsAccepted, 0x101u);
  EXPECT_EQ(stopped.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_FALSE(sim::ProgramAlive());
}

}  // namespace
}  // namespace koru
