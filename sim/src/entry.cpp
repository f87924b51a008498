// The entry of every simulated call, the machine lock and the per-thread
// last-error value.
#include <mutex>

#include "call_watch.h"
#include "entry_holding.h"
#include "faults.h"
#include "kernel.h"
#include "scheduler.h"

namespace sim {
namespace {

std::mutex gMachineMutex;
// Each simulated thread is a real thread, so the last error can live in
// thread-local storage, as it lives in the thread block on Windows.
thread_local DWORD tLastError = 0;

}  // namespace

std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(gMachineMutex); }

std::optional<uint32_t> EnterHolding(const char* api, uint32_t defaultError,
                                     std::unique_lock<std::mutex>& lock) {
  lock = Lock();
  if (ThreadRecord* self = Self()) SchedulingPoint(lock, *self, api);
  if (Recording()) CountCall(api);
  NoteWatchedCall(api);
  return FaultVerdict(api, defaultError);
}

std::optional<uint32_t> Enter(const char* api, uint32_t defaultError) {
  std::unique_lock<std::mutex> lock;
  return EnterHolding(api, defaultError, lock);
}

void SetLastErrorValue(DWORD error) { tLastError = error; }
DWORD LastErrorValue() { return tLastError; }

}  // namespace sim

DWORD WINAPI GetLastError() { return sim::LastErrorValue(); }
void WINAPI SetLastError(DWORD dwErrCode) { sim::SetLastErrorValue(dwErrCode); }

const GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
