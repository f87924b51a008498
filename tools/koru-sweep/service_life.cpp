// Observing the service's state on the machine.
#include "service_life.h"

#include "service/service_name.h"
#include "sim/devices.h"
#include "sim/services.h"

namespace koru::sweep {

const char* LifeName(Life life) {
  switch (life) {
    case Life::NotInstalled:
      return "not installed";
    case Life::StartPending:
      return "start-pending";
    case Life::Stopped:
      return "stopped";
    case Life::Disconnected:
      return "running, disconnected";
    case Life::Connected:
      return "running, connected";
    case Life::StopPending:
      return "stop-pending";
  }
  return "?";
}

namespace {

// A jack-state request of the live service process (the one that made the
// last status report) that the driver holds.
bool WaitsForJackEvent() {
  std::vector<sim::services::StatusReport> reports = sim::services::StatusHistory();
  if (reports.empty()) return false;
  DWORD pid = reports.back().pid;
  for (const sim::codec::Request& request : sim::codec::Requests()) {
    bool jackState = request.code == sim::codec::JACKSTATE_NOTIFY ||
                     request.code == sim::codec::JACKSTATE_INITIAL;
    if (jackState && request.processId == pid && request.outcome == sim::codec::Outcome::Pending) {
      return true;
    }
  }
  return false;
}

}  // namespace

Life ObserveLife() {
  if (!sim::services::Find(SERVICE_NAME)) return Life::NotInstalled;
  if (!sim::ProgramAlive()) return Life::Stopped;
  switch (sim::services::CurrentState()) {
    case SERVICE_START_PENDING:
      return Life::StartPending;
    case SERVICE_STOP_PENDING:
      return Life::StopPending;
    case SERVICE_STOPPED:
      return Life::Stopped;
    default:
      return WaitsForJackEvent() ? Life::Connected : Life::Disconnected;
  }
}

}  // namespace koru::sweep
