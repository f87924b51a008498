// The machine's shutdown and boot, as the service control manager plays
// them on a thread of the machine: pre-shutdown for the service that accepts
// it, the end of every process, then the auto-start services.
#include <string>
#include <vector>

#include "process_table.h"
#include "services_control.h"
#include "services_database.h"

namespace sim::services {
namespace {

// Ending processes takes no virtual time; a process still alive after this
// much has a thread that does not leave.
constexpr uint64_t kProcessEndLimitMs = 1000;

bool TakesPreshutdown(const ServiceRun& run) {
  if (run.handler == nullptr || !run.status) return false;
  DWORD state = run.status->dwCurrentState;
  if (state == SERVICE_STOPPED || state == SERVICE_STOP_PENDING) return false;
  return (run.status->dwControlsAccepted & SERVICE_ACCEPT_PRESHUTDOWN) != 0;
}

// Windows waits for a service that accepts pre-shutdown until it stops, at
// most its pre-shutdown time-out.
void PreShutDown() {
  auto lock = Lock();
  std::shared_ptr<ServiceRun> run = LiveRun();
  if (!run || !TakesPreshutdown(*run)) return;
  Queue(*run, {SERVICE_CONTROL_PRESHUTDOWN, 0, {}});
  WaitFor stopped{[run] { return run->process->ended || ReportedStopped(*run); }, nullptr,
                  "the service's stop after pre-shutdown"};
  Block(lock, stopped, PRESHUTDOWN_TIMEOUT_MS);
}

// False when a process did not end.
bool EndEveryProcess() {
  EndLiveProcesses();
  auto lock = Lock();
  WaitFor ended{[] { return P().live.empty(); }, nullptr, "the end of every process at shutdown"};
  if (Block(lock, ended, kProcessEndLimitMs) == WaitResult::Done) return true;
  RecordProblem("shutdown: a process did not end; the machine did not boot");
  return false;
}

void Boot(const Program& program) {
  std::vector<Registration> autoStart;
  {
    auto lock = Lock();
    for (const Registration& registration : TheDatabase().registrations) {
      if (registration.startType == SERVICE_AUTO_START) autoStart.push_back(registration);
    }
  }
  for (const Registration& registration : autoStart) {
    DWORD refusal;
    {
      auto lock = Lock();
      refusal = StartRefusal(registration);
    }
    // Windows would run them side by side; the machine holds one.
    if (refusal == ERROR_SERVICE_ALREADY_RUNNING) {
      RecordProblem("boot: a second auto-start service was not started; the machine runs one");
    }
    if (refusal == ERROR_SUCCESS) LaunchRun(registration, program);
  }
}

}  // namespace

void Restart(const Program& program) {
  StartMachineThread([program] {
    PreShutDown();
    if (EndEveryProcess()) Boot(program);
  });
}

}  // namespace sim::services
