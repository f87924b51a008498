// Control surface of the simulated service control manager and event log.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/machine.h"
#include "sim/win32/services.h"

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

// ---- starts and controls (the controller; none of these runs the machine) ----

// Starts the registered service `name`: a new service process whose command
// line is the registered binary path runs `program`, the one program the
// machine knows; the path (unquoted, or the text between its quotation
// marks) must name the machine's module path. The process's dispatcher
// connects when it calls StartServiceCtrlDispatcherW. Returns ERROR_SUCCESS,
// or why the start was refused: ERROR_SERVICE_DOES_NOT_EXIST,
// ERROR_SERVICE_DISABLED, ERROR_FILE_NOT_FOUND (the path names another
// file), ERROR_SERVICE_ALREADY_RUNNING (a service process lives: the machine
// holds one at a time).
DWORD Start(const std::wstring& name, const Program& program);

// Sends a control to the running service, as ControlService does: queued for
// the dispatcher, which calls the service's handler on the process's main
// thread, one control at a time. Returns ERROR_SUCCESS when queued, or why it
// was refused and not delivered: ERROR_SERVICE_NOT_ACTIVE (no live service,
// or it reported STOPPED), ERROR_INVALID_PARAMETER (0 or above 255),
// ERROR_SERVICE_CANNOT_ACCEPT_CTRL (no handler registered yet, or the service
// is START_PENDING or STOP_PENDING), ERROR_INVALID_SERVICE_CONTROL (its last
// dwControlsAccepted lacks the control's bit). Interrogate is delivered in
// every state once a handler is registered; controls without an accept bit
// (user-defined 128..255 among them) are always delivered.
DWORD Control(DWORD control);

// Windows announces a device-interface event: every device notification
// registration of the running service for class `cls` (or for all classes)
// gets SERVICE_CONTROL_DEVICEEVENT with `eventType` (DBT_DEVICEARRIVAL ...),
// through the same control queue. For `devType` DBT_DEVTYP_DEVICEINTERFACE
// the event data is a DEV_BROADCAST_DEVICEINTERFACE_W with the class and
// `path` as dbcc_name; for any other type a DEV_BROADCAST_HDR with that
// dbch_devicetype. Registrations made after this call see nothing of it.
// Returns the number of registrations reached. Callable from the controller
// and from the machine's own threads, without the machine lock (the
// machine's code that holds it has QueueDeviceInterfaceEvent in
// sim/src/device_notify.h).
int DeliverDeviceInterfaceEvent(const GUID& cls, DWORD eventType, DWORD devType,
                                const std::wstring& path = L"");

// The pre-shutdown time-out that Windows grants a service, in milliseconds.
inline constexpr uint64_t PRESHUTDOWN_TIMEOUT_MS = 180000;

// The machine shuts down and boots, on a thread of its own that runs when the
// machine runs: a running service whose last report accepts pre-shutdown gets
// SERVICE_CONTROL_PRESHUTDOWN and is waited for until it reports STOPPED or
// its process ends, at most PRESHUTDOWN_TIMEOUT_MS of virtual time; then every
// live process is ended. The registry, the devices and the services database
// stay; every auto-start service is then started again with `program`.
void Restart(const Program& program);

// ---- reading -------------------------------------------------------------------

// One SetServiceStatus record, every field as the service passed it.
struct StatusReport {
  std::wstring service;
  DWORD pid;
  SERVICE_STATUS status;
};
// Every status report since Reset, in order, across process lives.
std::vector<StatusReport> StatusHistory();
// The state of the last service started, as the manager sees it: from the
// start SERVICE_START_PENDING, then its last report's dwCurrentState while
// its process lives; SERVICE_STOPPED once the process has ended, and when no
// service was started.
DWORD CurrentState();
// The last service started's last report, if it made one in its current life.
std::optional<SERVICE_STATUS> LastStatus();

// A control that the dispatcher handed to the service's handler.
struct Delivery {
  DWORD control;
  DWORD eventType;
  DWORD result;  // what the handler returned
};
// Every delivery since Reset, in order.
std::vector<Delivery> Deliveries();

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
