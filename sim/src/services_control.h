// The service control manager's view of the service it started: the life of
// one service process, its dispatcher, handler, status reports and control
// queue, and the records kept across lives until Reset. Everything here
// needs the machine lock held.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kernel.h"
#include "process.h"
#include "sim/services.h"

namespace sim::services {

// A control waiting for the dispatcher, with the event data the handler gets.
struct QueuedControl {
  DWORD control = 0;
  DWORD eventType = 0;
  std::vector<std::byte> eventData;  // empty: the handler gets a null pointer
};

// One life of a service process that the manager started.
struct ServiceRun {
  std::wstring name;
  std::shared_ptr<Process> process;  // set before the program's entry runs
  bool dispatcherConnected = false;
  SERVICE_STATUS_HANDLE statusHandle = nullptr;  // once a handler is registered
  LPHANDLER_FUNCTION_EX handler = nullptr;
  LPVOID context = nullptr;
  std::optional<SERVICE_STATUS> status;  // the last report
  std::deque<QueuedControl> queue;
};

// Far from the kernel's handle values, so that a kernel handle passed as a
// status handle is never mistaken for one.
inline constexpr uintptr_t kFirstStatusHandle = 0x7A5C0000;

struct Manager {
  std::shared_ptr<ServiceRun> current;  // the last service started
  std::vector<StatusReport> history;
  std::vector<Delivery> deliveries;
  uintptr_t nextStatusHandle = kFirstStatusHandle;  // never reused until Reset
};
Manager& TheManager();

// The run of the calling thread's process, or null when the manager did not
// start it.
std::shared_ptr<ServiceRun> RunOfCurrentProcess();
// The last run, while its process lives; null otherwise.
std::shared_ptr<ServiceRun> LiveRun();
bool ReportedStopped(const ServiceRun& run);
// The live run whose status handle this is, in the calling thread's process.
std::shared_ptr<ServiceRun> RunWithStatusHandle(SERVICE_STATUS_HANDLE handle);
// Queues a control for the run's dispatcher and wakes it.
void Queue(ServiceRun& run, QueuedControl control);

// Launches the service's process (lock NOT held); the caller has checked
// that the start may go ahead. Does not run the machine.
void LaunchRun(const Registration& registration, const Program& program);
// Why `registration` cannot be started now, or ERROR_SUCCESS.
DWORD StartRefusal(const Registration& registration);

}  // namespace sim::services
