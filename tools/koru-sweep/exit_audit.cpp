// Handles left open at a process's end, against the service's own list of
// handles that live until the process ends.
#include "exit_audit.h"

#include <map>
#include <string>

#include "sim/machine.h"

namespace koru::sweep {
namespace {

// The six semaphores, the stop event and the connector thread's handle
// (service/shared_objects.h), and the registration for the codec's device
// events (service/service_main.cpp): created once, never closed.
const std::map<std::string, int>& KeptForLife() {
  static const std::map<std::string, int> kept = {
      {"Semaphore", 6}, {"Event", 1}, {"Thread", 1}, {"DeviceNotify", 1}};
  return kept;
}

// What a release call that fails leaves open: the kinds it releases.
bool ReleasedBy(const std::string& api, const std::string& kind) {
  if (api == "SetupDiDestroyDeviceInfoList") return kind == "DeviceInfoSet";
  if (api == "RegCloseKey") return kind == "RegistryKey";
  if (api == "CloseServiceHandle") return kind == "ServiceManager" || kind == "Service";
  if (api == "DeregisterEventSource") return kind == "EventSource";
  if (api == "UnregisterDeviceNotification") return kind == "DeviceNotify";
  return api == "CloseHandle";
}

std::string KindOf(const std::string& line) { return line.substr(0, line.find(' ')); }

}  // namespace

void AuditProcessEnd(StepPlayer& player, const FaultCase& fault) {
  std::map<std::string, int> open;
  for (const std::string& line : sim::HandlesOpenAtExit()) ++open[KindOf(line)];
  for (const auto& [kind, count] : open) {
    if (ReleasedBy(fault.api, kind)) continue;
    auto kept = KeptForLife().find(kind);
    int allowed = kept == KeptForLife().end() ? 0 : kept->second;
    if (count > allowed) {
      player.NoteFailure("left open at exit: " + std::to_string(count) + " " + kind +
                         " handle(s), " + std::to_string(allowed) + " kept for life");
    }
  }
}

void AuditMachine(StepPlayer& player) {
  for (const std::string& problem : sim::Problems()) player.NoteFailure("machine: " + problem);
}

}  // namespace koru::sweep
