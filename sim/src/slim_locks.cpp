// Slim reader/writer locks, modelled in the machine: every acquisition is
// a scheduling point and a waiting thread is a blocked thread the scheduler
// knows. Recursive acquisition and releasing a lock not held are problems.
#include <map>
#include <memory>
#include <string>

#include "kernel.h"
#include "kernel_state.h"
#include "scheduler.h"
#include "sim/win32/kernel.h"

namespace sim {
namespace {

struct SlimLock {
  DWORD exclusive = 0;
  std::map<DWORD, int> shared;  // holder -> count
  int waiters = 0;
};

std::map<const void*, std::shared_ptr<SlimLock>>& SlimLocks() {
  static auto* locks = new std::map<const void*, std::shared_ptr<SlimLock>>;
  return *locks;
}

// Counts a waiting thread while it waits, even when it leaves by unwinding,
// so that the lock's state is not forgotten under it.
class Waiting {
 public:
  explicit Waiting(SlimLock& state) : state_(state) { ++state_.waiters; }
  Waiting(const Waiting&) = delete;
  Waiting& operator=(const Waiting&) = delete;
  ~Waiting() { --state_.waiters; }

 private:
  SlimLock& state_;
};

// SRW locks need no initialisation, so the machine keeps state only while
// one is held.
std::shared_ptr<SlimLock> SlimLockOf(const SRWLOCK* lock) {
  auto& entry = SlimLocks()[lock];
  if (!entry) entry = std::make_shared<SlimLock>();
  return entry;
}

void ForgetIfFree(const SRWLOCK* lock, const SlimLock& state) {
  if (state.exclusive == 0 && state.shared.empty() && state.waiters == 0) SlimLocks().erase(lock);
}

void AcquireSlim(PSRWLOCK lock, bool exclusive, const char* api) {
  Enter(api, ERROR_SUCCESS);
  auto guard = Lock();
  auto state = SlimLockOf(lock);
  DWORD me = CurrentThreadId();
  if (state->exclusive == me || (exclusive && state->shared.count(me))) {
    RecordProblem(std::string(api) + " on SRW lock " + AddressText(lock) +
                  " that the thread already holds: SRW locks are not recursive");
  }
  WaitFor wait;
  if (exclusive) {
    wait.ready = [&state] { return state->exclusive == 0 && state->shared.empty(); };
    wait.take = [&state, me] { state->exclusive = me; };
  } else {
    wait.ready = [&state] { return state->exclusive == 0; };
    wait.take = [&state, me] { ++state->shared[me]; };
  }
  wait.what = api;
  WaitResult result;
  {
    Waiting waiting(*state);
    result = Block(guard, wait, std::nullopt);
  }
  if (result != WaitResult::Done) {
    RecordProblem(std::string(api) + " on SRW lock " + AddressText(lock) +
                  " could not wait: the lock is held");
  }
}

void ReleaseSlim(PSRWLOCK lock, bool exclusive, const char* api) {
  Enter(api, ERROR_SUCCESS);
  auto guard = Lock();
  auto state = SlimLockOf(lock);
  DWORD me = CurrentThreadId();
  auto held = state->shared.find(me);
  if (exclusive ? state->exclusive != me : held == state->shared.end()) {
    RecordProblem(std::string(api) + " on SRW lock " + AddressText(lock) +
                  " that the thread does not hold that way");
    ForgetIfFree(lock, *state);
    return;
  }
  if (exclusive) {
    state->exclusive = 0;
  } else if (--held->second == 0) {
    state->shared.erase(held);
  }
  ForgetIfFree(lock, *state);
  WakeWaiters();
}

BOOLEAN TryAcquireSlim(PSRWLOCK lock, bool exclusive, const char* api) {
  Enter(api, ERROR_SUCCESS);
  auto guard = Lock();
  auto state = SlimLockOf(lock);
  DWORD me = CurrentThreadId();
  bool free = state->exclusive == 0 && (!exclusive || state->shared.empty());
  if (!free) return FALSE;
  if (exclusive) {
    state->exclusive = me;
  } else {
    ++state->shared[me];
  }
  return TRUE;
}

}  // namespace

void ResetSlimLocks() { SlimLocks().clear(); }

}  // namespace sim

void WINAPI InitializeSRWLock(PSRWLOCK SRWLock) {
  sim::Enter("InitializeSRWLock", ERROR_SUCCESS);
  auto lock = sim::Lock();
  if (sim::SlimLocks().erase(SRWLock) != 0) {
    sim::RecordProblem("InitializeSRWLock on SRW lock " + sim::AddressText(SRWLock) +
                       ", which is held");
  }
  SRWLock->Ptr = nullptr;
}

void WINAPI AcquireSRWLockExclusive(PSRWLOCK SRWLock) {
  sim::AcquireSlim(SRWLock, true, "AcquireSRWLockExclusive");
}

void WINAPI AcquireSRWLockShared(PSRWLOCK SRWLock) {
  sim::AcquireSlim(SRWLock, false, "AcquireSRWLockShared");
}

void WINAPI ReleaseSRWLockExclusive(PSRWLOCK SRWLock) {
  sim::ReleaseSlim(SRWLock, true, "ReleaseSRWLockExclusive");
}

void WINAPI ReleaseSRWLockShared(PSRWLOCK SRWLock) {
  sim::ReleaseSlim(SRWLock, false, "ReleaseSRWLockShared");
}

BOOLEAN WINAPI TryAcquireSRWLockExclusive(PSRWLOCK SRWLock) {
  return sim::TryAcquireSlim(SRWLock, true, "TryAcquireSRWLockExclusive");
}

BOOLEAN WINAPI TryAcquireSRWLockShared(PSRWLOCK SRWLock) {
  return sim::TryAcquireSlim(SRWLock, false, "TryAcquireSRWLockShared");
}
