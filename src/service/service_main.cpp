// The service main function. For now it connects to the service control
// manager and reports the service stopped at once; the start-up sequence
// that brings up the threads and the endpoint side replaces the middle.
#include "service/service_main.h"

#include "diagnostics/event_report.h"
#include "service/service_name.h"

namespace {

// Accepts nothing yet: the control handler with stop, pre-shutdown and
// device events arrives with the start-up sequence.
DWORD WINAPI IdleControlHandler(DWORD, DWORD, LPVOID, LPVOID) { return NO_ERROR; }

}  // namespace

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  SERVICE_STATUS_HANDLE statusHandle =
      RegisterServiceCtrlHandlerExW(SERVICE_NAME, IdleControlHandler, nullptr);
  if (statusHandle == nullptr) {
    ReportServiceError(L"RegisterServiceCtrlHandler");
    return;
  }
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = SERVICE_STOPPED;
  status.dwWin32ExitCode = NO_ERROR;
  SetServiceStatus(statusHandle, &status);
}
