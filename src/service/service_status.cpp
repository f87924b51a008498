// The status record and its reports, serialised by one lock.
#include "service/service_status.h"

#include "device/srw_guard.h"
#include "service/service_name.h"

namespace {

struct ServiceStatusRecord {
  SRWLOCK lock = SRWLOCK_INIT;
  SERVICE_STATUS serviceStatus = {};
  SERVICE_STATUS_HANDLE serviceStatusHandle = nullptr;
  DWORD checkPoint = 1;
};

constinit ProcessWide<ServiceStatusRecord> status;

constexpr DWORD ACCEPTED_CONTROLS = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PRESHUTDOWN;

// Lock held. The call is made under the lock too, so that the manager
// receives the reports in the order they were made.
void ReportLocked(ServiceStatusRecord& record, DWORD state, DWORD exitCode, DWORD waitHint) {
  SERVICE_STATUS& s = record.serviceStatus;
  if (s.dwCurrentState == SERVICE_STOPPED) return;
  s.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  s.dwCurrentState = state;
  s.dwWin32ExitCode = exitCode;
  s.dwServiceSpecificExitCode = 0;
  s.dwWaitHint = waitHint;
  s.dwControlsAccepted = state == SERVICE_START_PENDING ? 0 : ACCEPTED_CONTROLS;
  bool settled = state == SERVICE_RUNNING || state == SERVICE_STOPPED;
  s.dwCheckPoint = settled ? 0 : record.checkPoint++;
  SetServiceStatus(record.serviceStatusHandle, &s);
}

}  // namespace

// No report can come before the handle is stored: the first one is made by
// the service main function after this returns, and the control handler
// reports again only what was reported.
SERVICE_STATUS_HANDLE RegisterStatusHandle(LPHANDLER_FUNCTION_EX handler) {
  SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerExW(SERVICE_NAME, handler, nullptr);
  if (handle == nullptr) return nullptr;
  ExclusiveSrwGuard guard(status->lock);
  status->serviceStatusHandle = handle;
  return handle;
}

SERVICE_STATUS_HANDLE ServiceStatusHandle() {
  SharedSrwGuard guard(status->lock);
  return status->serviceStatusHandle;
}

void ReportServiceStatus(DWORD dwCurrentState, DWORD dwWin32ExitCode, DWORD dwWaitHint) {
  ExclusiveSrwGuard guard(status->lock);
  ReportLocked(*status, dwCurrentState, dwWin32ExitCode, dwWaitHint);
}

void ReportCurrentServiceState() {
  ExclusiveSrwGuard guard(status->lock);
  DWORD state = status->serviceStatus.dwCurrentState;
  if (state == 0) return;
  ReportLocked(*status, state, NO_ERROR, 0);
}

void StartServiceStatus() { status.Create(); }

void EndServiceStatus() { status.Destroy(); }
