// The service process's side of the simulated service control manager: the
// dispatcher that runs the service main function on a thread of its own and
// hands controls to the registered handler on the process's main thread,
// the handler's registration, and the status reports. A process that the
// manager did not start gets 1063 from the dispatcher, as on Windows.
#include "sim/win32/services.h"

#include <optional>

#include "kernel.h"
#include "process.h"
#include "registry_tree.h"
#include "scheduler.h"
#include "services_control.h"
#include "threads.h"

using sim::services::ServiceRun;

namespace {

template <typename T>
T Failed(DWORD error, T result) {
  sim::SetLastErrorValue(error);
  return result;
}

// Windows passes the service main function one argument, the service's
// name, when the start named no arguments.
void SpawnServiceMain(const std::shared_ptr<ServiceRun>& run,
                      LPSERVICE_MAIN_FUNCTIONW serviceMain) {
  auto routine = [serviceMain, name = run->name]() -> DWORD {
    std::wstring argument = name;
    LPWSTR argv[] = {argument.data(), nullptr};
    serviceMain(1, argv);
    return 0;
  };
  sim::SpawnThread(run->process, std::move(routine));
}

// Calls the handler with the machine lock released, as the service's code
// makes simulated calls of its own.
void Deliver(std::unique_lock<std::mutex>& lock, const std::shared_ptr<ServiceRun>& run,
             sim::services::QueuedControl control) {
  LPHANDLER_FUNCTION_EX handler = run->handler;
  LPVOID context = run->context;
  LPVOID data = control.eventData.empty() ? nullptr : control.eventData.data();
  lock.unlock();
  DWORD result = handler(control.control, control.eventType, data, context);
  lock.lock();
  sim::services::TheManager().deliveries.push_back({control.control, control.eventType, result});
}

// The dispatcher's loop on the main thread: one control at a time, until the
// service has reported SERVICE_STOPPED. Controls still queued then are
// dropped, as the service can no longer take them.
BOOL ServeControls(const std::shared_ptr<ServiceRun>& run) {
  auto lock = sim::Lock();
  sim::WaitFor next{[&run] { return sim::services::ReportedStopped(*run) || !run->queue.empty(); },
                    nullptr, "the service control dispatcher's next control"};
  for (;;) {
    if (sim::Block(lock, next, std::nullopt) != sim::WaitResult::Done) {
      return Failed<BOOL>(ERROR_OPERATION_ABORTED, FALSE);
    }
    if (sim::services::ReportedStopped(*run)) {
      run->queue.clear();
      return TRUE;
    }
    sim::services::QueuedControl control = std::move(run->queue.front());
    run->queue.pop_front();
    Deliver(lock, run, std::move(control));
  }
}

// The run whose dispatcher may connect now, or the error that refuses it.
std::shared_ptr<ServiceRun> ConnectDispatcher(DWORD& error) {
  auto lock = sim::Lock();
  std::shared_ptr<ServiceRun> run = sim::services::RunOfCurrentProcess();
  if (!run) {
    error = ERROR_FAILED_SERVICE_CONTROLLER_CONNECT;
    return nullptr;
  }
  if (run->dispatcherConnected) {
    error = ERROR_SERVICE_ALREADY_RUNNING;
    return nullptr;
  }
  run->dispatcherConnected = true;
  return run;
}

bool ValidState(DWORD state) { return state >= SERVICE_STOPPED && state <= SERVICE_PAUSED; }

}  // namespace

BOOL WINAPI StartServiceCtrlDispatcherW(const SERVICE_TABLE_ENTRYW* lpServiceStartTable) {
  std::optional<uint32_t> fault =
      sim::Enter("StartServiceCtrlDispatcherW", ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
  if (fault) return Failed<BOOL>(*fault, FALSE);
  if (!sim::CurrentProcessStartedByScm()) {
    return Failed<BOOL>(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT, FALSE);
  }
  if (lpServiceStartTable == nullptr || lpServiceStartTable[0].lpServiceProc == nullptr) {
    return Failed<BOOL>(ERROR_INVALID_PARAMETER, FALSE);
  }
  DWORD error = ERROR_SUCCESS;
  std::shared_ptr<ServiceRun> run = ConnectDispatcher(error);
  if (!run) return Failed<BOOL>(error, FALSE);
  {
    // An own-process service runs the table's first entry whatever name it
    // gives; the name it registers its handler with must be its own.
    auto lock = sim::Lock();
    SpawnServiceMain(run, lpServiceStartTable[0].lpServiceProc);
  }
  return ServeControls(run);
}

SERVICE_STATUS_HANDLE WINAPI RegisterServiceCtrlHandlerExW(LPCWSTR lpServiceName,
                                                           LPHANDLER_FUNCTION_EX lpHandlerProc,
                                                           LPVOID lpContext) {
  std::optional<uint32_t> fault =
      sim::Enter("RegisterServiceCtrlHandlerExW", ERROR_NOT_ENOUGH_MEMORY);
  if (fault) return Failed<SERVICE_STATUS_HANDLE>(*fault, nullptr);
  if (lpHandlerProc == nullptr)
    return Failed<SERVICE_STATUS_HANDLE>(ERROR_INVALID_PARAMETER, nullptr);

  auto lock = sim::Lock();
  std::shared_ptr<ServiceRun> run = sim::services::RunOfCurrentProcess();
  bool ours = run && run->dispatcherConnected && lpServiceName != nullptr &&
              sim::reg::SameName(lpServiceName, run->name);
  if (!ours) return Failed<SERVICE_STATUS_HANDLE>(ERROR_SERVICE_DOES_NOT_EXIST, nullptr);
  // A second registration replaces the handler and keeps the handle.
  if (run->statusHandle == nullptr) {
    uintptr_t& next = sim::services::TheManager().nextStatusHandle;
    run->statusHandle = reinterpret_cast<SERVICE_STATUS_HANDLE>(next);
    next += 0x10;
  }
  run->handler = lpHandlerProc;
  run->context = lpContext;
  return run->statusHandle;
}

BOOL WINAPI SetServiceStatus(SERVICE_STATUS_HANDLE hServiceStatus,
                             LPSERVICE_STATUS lpServiceStatus) {
  std::optional<uint32_t> fault = sim::Enter("SetServiceStatus", ERROR_INVALID_HANDLE);
  if (fault) return Failed<BOOL>(*fault, FALSE);

  auto lock = sim::Lock();
  std::shared_ptr<ServiceRun> run = sim::services::RunWithStatusHandle(hServiceStatus);
  if (!run) return Failed<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  if (lpServiceStatus == nullptr || !ValidState(lpServiceStatus->dwCurrentState)) {
    return Failed<BOOL>(ERROR_INVALID_DATA, FALSE);
  }
  run->status = *lpServiceStatus;
  sim::services::TheManager().history.push_back({run->name, run->process->pid, *lpServiceStatus});
  // The dispatcher returns once the service has stopped; a shutdown waits
  // for the same report.
  sim::WakeWaiters();
  return TRUE;
}
