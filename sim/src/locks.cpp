// Critical sections, slim reader/writer locks and one-time initialisation,
// modelled in the machine so that every acquisition is a scheduling point
// and a thread that waits for a lock is a blocked thread the scheduler knows.
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "kernel.h"
#include "kernel_state.h"
#include "scheduler.h"
#include "sim/win32/kernel.h"

namespace sim {
namespace {

struct Section {
  DWORD owner = 0;
  LONG recursion = 0;
  bool deleted = false;
  uintptr_t cookie = 0;
};

struct SlimLock {
  DWORD exclusive = 0;
  std::map<DWORD, int> shared;  // holder -> count
};

struct Locks {
  std::map<const void*, std::shared_ptr<Section>> sections;
  std::map<const void*, std::shared_ptr<SlimLock>> slimLocks;
  uintptr_t nextCookie = 0x5EC70000;
};

Locks& L() {
  static Locks* locks = new Locks;
  return *locks;
}

std::string Address(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", p);
  return text;
}

// ---- critical sections -------------------------------------------------------

void Mirror(CRITICAL_SECTION* cs, const Section& section) {
  cs->OwningThread = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(section.owner));
  cs->RecursionCount = section.recursion;
  cs->LockCount = section.owner == 0 ? -1 : 0;
}

std::shared_ptr<Section> InitialiseSection(CRITICAL_SECTION* cs, DWORD spinCount) {
  auto section = std::make_shared<Section>();
  section->cookie = L().nextCookie++;
  L().sections[cs] = section;
  cs->DebugInfo = nullptr;
  cs->LockSemaphore = reinterpret_cast<HANDLE>(section->cookie);
  cs->SpinCount = spinCount;
  Mirror(cs, *section);
  return section;
}

// The machine's record of a section that `api` uses. A section that was
// never initialised or was deleted is a recorded problem; the machine then
// carries on as if it had been initialised, so the run goes on.
std::shared_ptr<Section> UsedSection(CRITICAL_SECTION* cs, const char* api) {
  auto found = L().sections.find(cs);
  bool known = found != L().sections.end() &&
               reinterpret_cast<uintptr_t>(cs->LockSemaphore) == found->second->cookie;
  if (!known) {
    RecordProblem(std::string(api) + " on critical section " + Address(cs) +
                  ", which was never initialised");
    return InitialiseSection(cs, 0);
  }
  if (found->second->deleted) {
    RecordProblem(std::string(api) + " on critical section " + Address(cs) +
                  " after DeleteCriticalSection");
    found->second->deleted = false;
  }
  return found->second;
}

bool TakeSection(Section& section, DWORD me) {
  if (section.owner != 0 && section.owner != me) return false;
  section.owner = me;
  ++section.recursion;
  return true;
}

// ---- slim reader/writer locks ----------------------------------------------

// SRW locks need no initialisation, so the machine keeps state only while
// one is held.
std::shared_ptr<SlimLock> SlimLockOf(const SRWLOCK* lock) {
  auto& entry = L().slimLocks[lock];
  if (!entry) entry = std::make_shared<SlimLock>();
  return entry;
}

void ForgetIfFree(const SRWLOCK* lock, const SlimLock& state) {
  if (state.exclusive == 0 && state.shared.empty()) L().slimLocks.erase(lock);
}

void AcquireSlim(PSRWLOCK lock, bool exclusive, const char* api) {
  Enter(api, ERROR_SUCCESS);
  auto guard = Lock();
  auto state = SlimLockOf(lock);
  DWORD me = CurrentThreadId();
  if (state->exclusive == me || (exclusive && state->shared.count(me))) {
    RecordProblem(std::string(api) + " on SRW lock " + Address(lock) +
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
  if (Block(guard, wait, std::nullopt) != WaitResult::Done) {
    RecordProblem(std::string(api) + " failed: the thread is being ended and the lock is held");
  }
}

void ReleaseSlim(PSRWLOCK lock, bool exclusive, const char* api) {
  Enter(api, ERROR_SUCCESS);
  auto guard = Lock();
  auto state = SlimLockOf(lock);
  DWORD me = CurrentThreadId();
  auto held = state->shared.find(me);
  if (exclusive ? state->exclusive != me : held == state->shared.end()) {
    RecordProblem(std::string(api) + " on SRW lock " + Address(lock) +
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

// ---- one-time initialisation ---------------------------------------------------

// INIT_ONCE keeps its state in its own pointer, as on Windows: null before
// the first call, kInitRunning while the callback runs, and the context with
// the low bit kInitDone set afterwards.
constexpr uintptr_t kInitRunning = 1;
constexpr uintptr_t kInitDone = 2;
constexpr uintptr_t kInitStateBits = 3;

uintptr_t InitState(const INIT_ONCE* once) { return reinterpret_cast<uintptr_t>(once->Ptr); }

// Puts a one-time initialisation back to its start when the callback's
// thread unwinds, so that another caller can try.
class RunningInit {
 public:
  explicit RunningInit(PINIT_ONCE once) : once_(once) {}
  RunningInit(const RunningInit&) = delete;
  RunningInit& operator=(const RunningInit&) = delete;
  ~RunningInit() {
    if (!finished_) Finish(FALSE, nullptr);
  }
  BOOL Finish(BOOL ok, PVOID context) {
    finished_ = true;
    auto lock = Lock();
    uintptr_t value = (reinterpret_cast<uintptr_t>(context) & ~kInitStateBits) | kInitDone;
    once_->Ptr = ok ? reinterpret_cast<PVOID>(value) : nullptr;
    WakeWaiters();
    return ok;
  }

 private:
  PINIT_ONCE once_;
  bool finished_ = false;
};

}  // namespace

void ResetLocks() {
  L().sections.clear();
  L().slimLocks.clear();
}

}  // namespace sim

BOOL WINAPI InitializeCriticalSectionEx(LPCRITICAL_SECTION lpCriticalSection, DWORD dwSpinCount,
                                        DWORD Flags) {
  (void)Flags;
  if (auto error = sim::Enter("InitializeCriticalSectionEx", ERROR_NOT_ENOUGH_MEMORY)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto found = sim::L().sections.find(lpCriticalSection);
  if (found != sim::L().sections.end() && !found->second->deleted && found->second->owner != 0) {
    sim::RecordProblem("critical section " + sim::Address(lpCriticalSection) +
                       " initialised again while it is held");
  }
  sim::InitialiseSection(lpCriticalSection, dwSpinCount);
  return TRUE;
}

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  InitializeCriticalSectionEx(lpCriticalSection, 0, 0);
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  sim::Enter("EnterCriticalSection", ERROR_SUCCESS);
  auto lock = sim::Lock();
  auto section = sim::UsedSection(lpCriticalSection, "EnterCriticalSection");
  DWORD me = sim::CurrentThreadId();
  sim::WaitFor wait{[&section, me] { return section->owner == 0 || section->owner == me; },
                    [&section, me] { sim::TakeSection(*section, me); }, "EnterCriticalSection"};
  if (sim::Block(lock, wait, std::nullopt) != sim::WaitResult::Done) {
    sim::RecordProblem("EnterCriticalSection on " + sim::Address(lpCriticalSection) +
                       " could not wait: thread " + std::to_string(section->owner) +
                       " holds the section");
    return;
  }
  sim::Mirror(lpCriticalSection, *section);
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  sim::Enter("TryEnterCriticalSection", ERROR_SUCCESS);
  auto lock = sim::Lock();
  auto section = sim::UsedSection(lpCriticalSection, "TryEnterCriticalSection");
  if (!sim::TakeSection(*section, sim::CurrentThreadId())) return FALSE;
  sim::Mirror(lpCriticalSection, *section);
  return TRUE;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  sim::Enter("LeaveCriticalSection", ERROR_SUCCESS);
  auto lock = sim::Lock();
  auto section = sim::UsedSection(lpCriticalSection, "LeaveCriticalSection");
  DWORD me = sim::CurrentThreadId();
  if (section->owner != me) {
    sim::RecordProblem("LeaveCriticalSection on " + sim::Address(lpCriticalSection) +
                       " by thread " + std::to_string(me) +
                       ", which does not own it (owner: " + std::to_string(section->owner) + ")");
    return;
  }
  if (--section->recursion == 0) {
    section->owner = 0;
    sim::WakeWaiters();
  }
  sim::Mirror(lpCriticalSection, *section);
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  sim::Enter("DeleteCriticalSection", ERROR_SUCCESS);
  auto lock = sim::Lock();
  auto section = sim::UsedSection(lpCriticalSection, "DeleteCriticalSection");
  if (section->owner != 0) {
    sim::RecordProblem("DeleteCriticalSection on " + sim::Address(lpCriticalSection) +
                       ", which thread " + std::to_string(section->owner) + " holds");
  }
  section->deleted = true;
  section->owner = 0;
  section->recursion = 0;
  sim::Mirror(lpCriticalSection, *section);
  sim::WakeWaiters();
}

void WINAPI InitializeSRWLock(PSRWLOCK SRWLock) {
  sim::Enter("InitializeSRWLock", ERROR_SUCCESS);
  auto lock = sim::Lock();
  if (sim::L().slimLocks.erase(SRWLock) != 0) {
    sim::RecordProblem("InitializeSRWLock on SRW lock " + sim::Address(SRWLock) +
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

void WINAPI InitOnceInitialize(PINIT_ONCE InitOnce) {
  sim::Enter("InitOnceInitialize", ERROR_SUCCESS);
  auto lock = sim::Lock();
  InitOnce->Ptr = nullptr;
}

BOOL WINAPI InitOnceExecuteOnce(PINIT_ONCE InitOnce, PINIT_ONCE_FN InitFn, PVOID Parameter,
                                LPVOID* Context) {
  if (auto error = sim::Enter("InitOnceExecuteOnce", ERROR_GEN_FAILURE)) {
    SetLastError(*error);
    return FALSE;
  }
  {
    auto lock = sim::Lock();
    // Concurrent callers wait while the first one's callback runs.
    sim::WaitFor settled{[InitOnce] { return sim::InitState(InitOnce) != sim::kInitRunning; },
                         nullptr, "InitOnceExecuteOnce"};
    if (sim::Block(lock, settled, std::nullopt) != sim::WaitResult::Done) {
      SetLastError(ERROR_OPERATION_ABORTED);
      return FALSE;
    }
    uintptr_t state = sim::InitState(InitOnce);
    if ((state & sim::kInitDone) != 0) {
      if (Context != nullptr) *Context = reinterpret_cast<PVOID>(state & ~sim::kInitStateBits);
      return TRUE;
    }
    InitOnce->Ptr = reinterpret_cast<PVOID>(sim::kInitRunning);
  }
  sim::RunningInit running(InitOnce);
  PVOID context = nullptr;
  BOOL ok = InitFn(InitOnce, Parameter, &context);
  running.Finish(ok, context);
  if (ok && Context != nullptr) *Context = context;
  return ok;
}

LONG WINAPI InterlockedIncrement(LONG volatile* Addend) {
  sim::Enter("InterlockedIncrement", ERROR_SUCCESS);
  return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

LONG WINAPI InterlockedDecrement(LONG volatile* Addend) {
  sim::Enter("InterlockedDecrement", ERROR_SUCCESS);
  return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

LONG WINAPI InterlockedExchange(LONG volatile* Target, LONG Value) {
  sim::Enter("InterlockedExchange", ERROR_SUCCESS);
  return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

LONG WINAPI InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comparand) {
  sim::Enter("InterlockedCompareExchange", ERROR_SUCCESS);
  __atomic_compare_exchange_n(Destination, &Comparand, Exchange, false, __ATOMIC_SEQ_CST,
                              __ATOMIC_SEQ_CST);
  return Comparand;
}

LONG WINAPI InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) {
  sim::Enter("InterlockedExchangeAdd", ERROR_SUCCESS);
  return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}

PVOID WINAPI InterlockedExchangePointer(PVOID volatile* Target, PVOID Value) {
  sim::Enter("InterlockedExchangePointer", ERROR_SUCCESS);
  return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

PVOID WINAPI InterlockedCompareExchangePointer(PVOID volatile* Destination, PVOID Exchange,
                                               PVOID Comparand) {
  sim::Enter("InterlockedCompareExchangePointer", ERROR_SUCCESS);
  __atomic_compare_exchange_n(Destination, &Comparand, Exchange, false, __ATOMIC_SEQ_CST,
                              __ATOMIC_SEQ_CST);
  return Comparand;
}
