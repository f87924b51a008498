// The service control dispatcher side of the simulated service control
// manager. A process that the manager did not start gets 1063 from the
// dispatcher, as on Windows. Running service main functions for processes
// that the manager starts is not modelled yet: those calls report
// ERROR_CALL_NOT_IMPLEMENTED.
#include "sim/win32/services.h"

#include <optional>

#include "kernel.h"

namespace {

template <typename T>
T Failed(DWORD error, T result) {
  sim::SetLastErrorValue(error);
  return result;
}

}  // namespace

BOOL WINAPI StartServiceCtrlDispatcherW(const SERVICE_TABLE_ENTRYW* /*lpServiceStartTable*/) {
  std::optional<uint32_t> fault =
      sim::Enter("StartServiceCtrlDispatcherW", ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
  if (fault) return Failed<BOOL>(*fault, FALSE);
  if (!sim::CurrentProcessStartedByScm()) {
    return Failed<BOOL>(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT, FALSE);
  }
  return Failed<BOOL>(ERROR_CALL_NOT_IMPLEMENTED, FALSE);
}

SERVICE_STATUS_HANDLE WINAPI RegisterServiceCtrlHandlerExW(LPCWSTR /*lpServiceName*/,
                                                           LPHANDLER_FUNCTION_EX /*lpHandlerProc*/,
                                                           LPVOID /*lpContext*/) {
  std::optional<uint32_t> fault =
      sim::Enter("RegisterServiceCtrlHandlerExW", ERROR_CALL_NOT_IMPLEMENTED);
  if (fault) return Failed<SERVICE_STATUS_HANDLE>(*fault, nullptr);
  return Failed<SERVICE_STATUS_HANDLE>(ERROR_CALL_NOT_IMPLEMENTED, nullptr);
}

BOOL WINAPI SetServiceStatus(SERVICE_STATUS_HANDLE /*hServiceStatus*/,
                             LPSERVICE_STATUS /*lpServiceStatus*/) {
  std::optional<uint32_t> fault = sim::Enter("SetServiceStatus", ERROR_CALL_NOT_IMPLEMENTED);
  if (fault) return Failed<BOOL>(*fault, FALSE);
  return Failed<BOOL>(ERROR_CALL_NOT_IMPLEMENTED, FALSE);
}
