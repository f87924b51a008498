// The fixture of the service control manager's tests: a new machine with
// the test service registered, and helpers that start it and read its
// status history.
#pragma once

#include <string>
#include <vector>

#include "kernel_fixture.h"
#include "scm_test_service.h"
#include "sim/services.h"

namespace sim_test::scm {

// A status report as the tests compare them: state/check point/wait
// hint/controls, the scenario language's form.
std::string Brief(const SERVICE_STATUS& status);
std::vector<std::string> BriefHistory();
std::vector<DWORD> DeliveredControls();

// A machine whose threads run by `scheduling`.
inline sim::Options OptionsFor(sim::Scheduling scheduling, uint64_t seed = 0) {
  sim::Options options;
  options.scheduling = scheduling;
  options.seed = seed;
  return options;
}

class ScmTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ResetTestService();
  }

  // Registers the test service with CreateServiceW, as an installer does.
  static void Install(DWORD startType = SERVICE_DEMAND_START, const std::wstring& path = {});
  // Installs (unless done) and starts the test service, then settles.
  static void StartRunning(DWORD startType = SERVICE_DEMAND_START);
};

}  // namespace sim_test::scm
