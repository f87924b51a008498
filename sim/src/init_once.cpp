// One-time initialisation: concurrent callers wait while the first one's
// callback runs; a failed callback lets the next caller try.
#include "kernel.h"
#include "sim/win32/kernel.h"

namespace sim {
namespace {

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
}  // namespace sim

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
