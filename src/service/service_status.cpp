// The status record and its reports, serialised by one lock.
#include "service/service_status.h"

#include <optional>

#include "platform/lock_guards.h"
#include "service/service_name.h"

namespace {

struct ServiceStatusRecord {
  SRWLOCK lock = SRWLOCK_INIT;
  SERVICE_STATUS serviceStatus = {};
  SERVICE_STATUS_HANDLE serviceStatusHandle = nullptr;
  DWORD checkPoint = 1;
};

constinit ProcessWide<ServiceStatusRecord> record;

constexpr DWORD ACCEPTED_CONTROLS = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PRESHUTDOWN;

// Lock held. Fills the next report into the record; false once STOPPED was
// reported.
bool NextReport(ServiceStatusRecord& r, DWORD state, DWORD exitCode, DWORD waitHint) {
  SERVICE_STATUS& s = r.serviceStatus;
  if (s.dwCurrentState == SERVICE_STOPPED) return false;
  s.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  s.dwCurrentState = state;
  s.dwWin32ExitCode = exitCode;
  s.dwServiceSpecificExitCode = 0;
  s.dwWaitHint = waitHint;
  s.dwControlsAccepted = state == SERVICE_START_PENDING ? 0 : ACCEPTED_CONTROLS;
  bool settled = state == SERVICE_RUNNING || state == SERVICE_STOPPED;
  s.dwCheckPoint = settled ? 0 : r.checkPoint++;
  return true;
}

// Without a state: the state of the last report, read under the lock, and
// nothing before the first report.
//
// Every report but the last is made under the lock, so that the manager
// receives them in the order they were made. The last, STOPPED, is made
// after the lock is left: the process may end as soon as the manager has
// it, and once the record says STOPPED no other report can follow anyway.
void Report(std::optional<DWORD> state, DWORD exitCode, DWORD waitHint) {
  SERVICE_STATUS stopped;
  SERVICE_STATUS_HANDLE handle;
  {
    ExclusiveSrwGuard guard(record->lock);
    DWORD next = state.value_or(record->serviceStatus.dwCurrentState);
    if (next == 0 || !NextReport(*record, next, exitCode, waitHint)) return;
    handle = record->serviceStatusHandle;
    if (next != SERVICE_STOPPED) {
      SetServiceStatus(handle, &record->serviceStatus);
      return;
    }
    stopped = record->serviceStatus;
  }
  SetServiceStatus(handle, &stopped);
}

}  // namespace

// No report can come before the handle is stored: the first one is made by
// the service main function after this returns, and the control handler
// reports again only what was reported.
SERVICE_STATUS_HANDLE RegisterStatusHandle(LPHANDLER_FUNCTION_EX handler) {
  SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerExW(SERVICE_NAME, handler, nullptr);
  if (handle == nullptr) return nullptr;
  ExclusiveSrwGuard guard(record->lock);
  record->serviceStatusHandle = handle;
  return handle;
}

SERVICE_STATUS_HANDLE ServiceStatusHandle() {
  SharedSrwGuard guard(record->lock);
  return record->serviceStatusHandle;
}

void ReportServiceStatus(DWORD dwCurrentState, DWORD dwWin32ExitCode, DWORD dwWaitHint) {
  Report(dwCurrentState, dwWin32ExitCode, dwWaitHint);
}

void ReportCurrentServiceState() { Report(std::nullopt, NO_ERROR, 0); }

void StartServiceStatus() { record.Create(); }

void EndServiceStatus() { record.Destroy(); }
