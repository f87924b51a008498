// The machine's kernel, as the simulated Win32 functions see it: the entry of
// every simulated call, the one machine lock, the handle table, blocking and
// waking of simulated threads, the current process, and reset hooks for the
// state that each area of the machine keeps.
//
// Rules for code that implements a simulated function:
//  - call Enter(name) first (it may switch threads; it must be called
//    without the machine lock held);
//  - then take Lock() for as long as the function reads or writes machine
//    state; never call another simulated function while holding it;
//  - report failures the Windows way (return value and SetLastError, a
//    status code, or an HRESULT), never by throwing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "sim/win32/base.h"

namespace sim {

// Start of every simulated call: a scheduling point, one entry in the call
// log, and the fault plan's verdict. Returns the error the call must fail
// with when the plan says so (a Win32 error or an HRESULT, as the call
// reports errors), nothing otherwise. `defaultError` is used when the plan
// gives no code.
std::optional<uint32_t> Enter(const char* api, uint32_t defaultError);

// The machine lock, which guards every piece of machine state.
std::unique_lock<std::mutex> Lock();

// The last-error value of the calling simulated thread.
void SetLastErrorValue(DWORD error);
DWORD LastErrorValue();

// ---- objects and handles -------------------------------------------------

enum class HandleKind {
  Event,
  Semaphore,
  Thread,
  Process,
  Token,
  File,
  RegistryKey,
  ServiceManager,
  Service,
  EventSource,
  DeviceInfoSet,
  DeviceNotify,
  Heap,
};
const char* HandleKindName(HandleKind kind);

class Process;

// A kernel object. Waitable objects override the three wait hooks.
class Object {
 public:
  virtual ~Object() = default;
  virtual HandleKind Kind() const = 0;
  virtual bool Waitable() const { return false; }
  // Whether a wait on this object would be satisfied now (machine lock held).
  virtual bool Signaled() const { return false; }
  // Called once when a wait was satisfied by this object (auto-reset events
  // reset, semaphores count down).
  virtual void Acquire() {}
};

// Every handle lives in one table. Handle values are never reused, so a
// double close or a use after close is always recognised. All functions
// here need the machine lock held. An object's destructor must not take the
// machine lock: handles are closed with the lock held.
HANDLE AddHandle(std::shared_ptr<Object> object);
// The object behind an open handle of the current process that has the
// expected kind. A closed, unknown or foreign handle, or one of another
// kind, is recorded as a handle fault and yields null.
std::shared_ptr<Object> FindHandle(HANDLE handle, HandleKind kind, const char* api);
template <typename T>
std::shared_ptr<T> Find(HANDLE handle, const char* api) {
  return std::static_pointer_cast<T>(FindHandle(handle, T::kKind, api));
}
// The object behind an open handle of any waitable kind, for the waits.
std::shared_ptr<Object> FindWaitable(HANDLE handle, const char* api);
// Closes a handle of the expected kind (any kind when `kind` is empty).
// Records a handle fault and returns false when the handle is not open,
// belongs to another process or has another kind.
bool RemoveHandle(HANDLE handle, std::optional<HandleKind> kind, const char* api);
// Records a handle fault that the caller recognised itself.
void RecordHandleFault(const std::string& what);

// ---- blocking and waking --------------------------------------------------

enum class WaitResult { Done, Timeout, Failed };

// What a blocked thread waits for. `ready` tells, without changing anything,
// whether the wait would be satisfied now; `take` is called once, under the
// lock, when the thread resumes and `ready` still holds.
struct WaitFor {
  std::function<bool()> ready;
  std::function<void()> take;
  std::string what;  // for hang reports, e.g. "WaitForSingleObject(semaphore)"
};

// Blocks the calling simulated thread (lock held on entry and on return)
// until `wait.ready` holds or the virtual (or, in real-time mode, real)
// deadline in milliseconds from now passes. A thread whose process is
// ending leaves through the machine's unwinding path; while it unwinds
// already, every wait fails at once (a wait that is ready still succeeds).
// On the controller (no simulated thread) a wait that is not ready at once
// is a usage error: it is recorded as a problem and the wait fails (a wait
// with a timeout of 0 is a poll and simply times out).
WaitResult Block(std::unique_lock<std::mutex>& lock, const WaitFor& wait,
                 std::optional<uint64_t> timeoutMs);

// After a change that may satisfy waits (lock held): makes every blocked
// thread whose wait is now ready runnable.
void WakeWaiters();

// ---- processes and threads ------------------------------------------------

// The process of the calling simulated thread; on the controller, the live
// service process, or null when there is none.
Process* CurrentProcess();
DWORD CurrentProcessId();
bool CurrentProcessStartedByScm();
bool OnSimulatedThread();

// Milliseconds of the machine's clock since its epoch (virtual or real).
uint64_t NowMs();

// Whether the recorders (call log, debug output, event log) keep records.
bool Recording();

// Records a machine-level problem (see sim::Problems()); lock not needed.
void RecordProblem(const std::string& what);
// The id of the calling simulated thread; the controller has an id of its own.
DWORD CurrentThreadId();
// Starts a thread of the machine itself (no process), such as a notification
// thread. It runs when the machine runs, is not counted by LiveThreads, and
// is unwound at Reset. Lock not held. Returns its id.
DWORD StartMachineThread(std::function<void()> routine);

// Areas of the machine keep their state in their own files and register a
// hook that puts it back to a new machine's defaults at each Reset.
void AddResetHook(void (*hook)());

}  // namespace sim
