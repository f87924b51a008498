// Control surface of the simulated service control manager and event log.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim::services {

// A registration as CreateServiceW recorded it, every argument kept. The
// database lives across process lives, until Reset.
struct Registration {
  std::wstring name;
  std::wstring displayName;
  uint32_t desiredAccess;
  uint32_t serviceType;
  uint32_t startType;
  uint32_t errorControl;
  std::wstring binaryPath;
  std::optional<std::wstring> loadOrderGroup;
  bool tagIdRequested;
  // Each name followed by its terminator, as the double-null list holds
  // them, without the list's final terminator.
  std::optional<std::wstring> dependencies;
  std::optional<std::wstring> startName;  // absent: LocalSystem
  std::optional<std::wstring> password;
};
std::optional<Registration> Find(const std::wstring& name);
const std::vector<Registration>& All();
// Whether OpenSCManagerW is refused as for a caller that is not elevated.
void SetElevated(bool elevated);

}  // namespace sim::services

namespace sim::eventlog {

struct Record {
  std::wstring source;
  uint16_t type;
  uint16_t category;
  uint32_t id;
  std::vector<std::wstring> strings;
  uint32_t pid;
};
const std::vector<Record>& Records();
// Whether RegisterEventSourceW succeeds (it fails, for instance, when the
// event log service is not running).
void SetAvailable(bool available);

}  // namespace sim::eventlog
