// The scheduler, as the simulated threads meet it: the baton, scheduling
// points, blocking and waking.
#include "scheduler.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "clock.h"
#include "process.h"
#include "scheduler_state.h"

namespace sim {
namespace {

// A thread that makes this many simulated calls in a row without ever
// blocking cannot be waiting for anything: it spins.
constexpr uint64_t kSpinLimit = 1000000;

thread_local ThreadRecord* tSelf = nullptr;

void AwaitBaton(std::unique_lock<std::mutex>& lock, ThreadRecord& self) {
  self.wake.wait(lock, [&] { return S().running == &self; });
}

void BecameIdle() {
  if (--S().active == 0) S().controllerWake.notify_all();
}

// Parks the calling thread until something makes it runnable again.
void Suspend(std::unique_lock<std::mutex>& lock, ThreadRecord& self) {
  self.state = ThreadState::Blocked;
  if (Deterministic()) {
    Grant(TakeNextRunnable());
    AwaitBaton(lock, self);
    return;
  }
  BecameIdle();
  if (S().options.realTime && self.deadline) {
    auto until = RealTimeOf(*self.deadline);
    while (self.state == ThreadState::Blocked) {
      if (self.wake.wait_until(lock, until) != std::cv_status::timeout) continue;
      if (self.state != ThreadState::Blocked) continue;
      self.timedOut = true;
      MakeRunnable(self);
    }
  } else {
    self.wake.wait(lock, [&] { return self.state != ThreadState::Blocked; });
  }
  self.state = ThreadState::Running;
}

bool TryTake(const WaitFor& wait) {
  if (!wait.ready()) return false;
  if (wait.take) wait.take();
  return true;
}

void Park(ThreadRecord& self, const WaitFor& wait, std::optional<uint64_t> timeoutMs) {
  self.wait = &wait;
  self.deadline.reset();
  if (timeoutMs) self.deadline = NowMs() + *timeoutMs;
  self.timedOut = false;
  self.blockOrder = ++S().blockCounter;
  self.callsSinceBlock = 0;
}

void Unpark(ThreadRecord& self) {
  self.wait = nullptr;
  self.deadline.reset();
  self.timedOut = false;
}

// While a thread unwinds, its destructors may still wait for what is ready
// now; anything else fails at once so that the unwinding always ends.
WaitResult BlockWhileUnwinding(ThreadRecord& self, const WaitFor& wait) {
  LeaveIfUnwinding(self);
  return TryTake(wait) ? WaitResult::Done : WaitResult::Failed;
}

WaitResult BlockOnController(const WaitFor& wait, std::optional<uint64_t> timeoutMs) {
  if (TryTake(wait)) return WaitResult::Done;
  if (timeoutMs == 0u) return WaitResult::Timeout;
  RecordProblem("the controller waited for " + wait.what +
                ", which is not ready; only simulated threads can wait");
  return WaitResult::Failed;
}

}  // namespace

// Never destroyed: simulated threads that are still parked when the test
// binary exits must not find it gone.
Scheduler& S() {
  static Scheduler* scheduler = new Scheduler;
  return *scheduler;
}

void NoteProgress() { ++S().progress; }

std::string Describe(const ThreadRecord& thread) {
  std::string text = "thread " + std::to_string(thread.id);
  if (thread.process) text += " of process " + std::to_string(thread.process->pid);
  return text;
}

[[noreturn]] void Abort(const std::string& report) {
  std::fprintf(stderr, "sim: %s\n", report.c_str());
  std::fflush(stderr);
  if (auto hook = S().options.onFatalReport) {
    hook(report);
    std::abort();
  }
  std::_Exit(3);
}

ThreadRecord* TakeNextRunnable() {
  Scheduler& s = S();
  if (s.runnable.empty()) return nullptr;
  size_t index = 0;
  if (s.options.scheduling == Scheduling::Seeded) index = s.random() % s.runnable.size();
  ThreadRecord* next = s.runnable[index];
  s.runnable.erase(s.runnable.begin() + static_cast<std::ptrdiff_t>(index));
  return next;
}

void Grant(ThreadRecord* next) {
  Scheduler& s = S();
  s.running = next;
  NoteProgress();
  if (next == nullptr) {
    s.controllerWake.notify_all();
    return;
  }
  next->state = ThreadState::Running;
  next->wake.notify_one();
}

void MakeRunnable(ThreadRecord& thread) {
  if (thread.state != ThreadState::Blocked) return;
  thread.state = ThreadState::Runnable;
  if (Deterministic()) {
    S().runnable.push_back(&thread);
    return;
  }
  ++S().active;
  thread.wake.notify_one();
}

ThreadRecord* Self() { return tSelf; }
void SetSelf(ThreadRecord* self) { tSelf = self; }

const Options& SchedulerOptions() { return S().options; }

void ConfigureScheduler(const Options& options) {
  Scheduler& s = S();
  s.options = options;
  s.random.seed(options.seed);
  s.runnable.clear();
  s.running = nullptr;
  s.active = 0;
  s.blockCounter = 0;
  NoteProgress();
}

bool Deterministic() { return S().options.scheduling != Scheduling::FreeRunning; }

void Admit(std::shared_ptr<ThreadRecord> record) {
  Scheduler& s = S();
  if (Deterministic()) {
    record->state = ThreadState::Runnable;
    s.runnable.push_back(record.get());
  } else {
    record->state = ThreadState::Running;
    ++s.active;
  }
  s.threads.push_back(std::move(record));
}

void AwaitFirstTurn(std::unique_lock<std::mutex>& lock, ThreadRecord& self) {
  if (Deterministic()) AwaitBaton(lock, self);
}

void LeaveScheduler(ThreadRecord& self) {
  self.state = ThreadState::Finished;
  if (!Deterministic()) {
    BecameIdle();
    return;
  }
  if (S().running == &self) Grant(TakeNextRunnable());
}

void UnwindThread(ThreadRecord& thread, DWORD exitCode) {
  if (thread.state == ThreadState::Finished) return;
  if (!thread.unwinding) {
    thread.unwinding = true;
    thread.unwindExitCode = exitCode;
  }
  MakeRunnable(thread);
}

void LeaveIfUnwinding(ThreadRecord& self) {
  if (self.unwinding && !self.leaving && std::uncaught_exceptions() == 0) throw ThreadUnwind{};
}

void YieldTurn(std::unique_lock<std::mutex>& lock, ThreadRecord& self) {
  Scheduler& s = S();
  if (!Deterministic() || s.runnable.empty()) return;
  self.state = ThreadState::Runnable;
  s.runnable.push_back(&self);
  Grant(TakeNextRunnable());
  AwaitBaton(lock, self);
}

// A thread that must leave goes on to its next wait: a call that is not a
// wait may come from a destructor, where the unwinding path cannot start.
void SchedulingPoint(std::unique_lock<std::mutex>& lock, ThreadRecord& self, const char* api) {
  self.lastApi = api;
  NoteProgress();
  if (!Deterministic()) return;
  if (++self.callsSinceBlock > kSpinLimit) {
    Abort(Describe(self) + " is spinning: " + std::to_string(self.callsSinceBlock - 1) +
          " simulated calls without ever blocking; last simulated call: " + api);
  }
  if (S().options.scheduling != Scheduling::Seeded) return;
  // Every simulated call is a turn for any runnable thread; the current one
  // is among the candidates, so it keeps running with the same chance.
  YieldTurn(lock, self);
}

WaitResult Block(std::unique_lock<std::mutex>& lock, const WaitFor& wait,
                 std::optional<uint64_t> timeoutMs) {
  ThreadRecord* self = Self();
  if (self == nullptr) return BlockOnController(wait, timeoutMs);
  if (self->unwinding) return BlockWhileUnwinding(*self, wait);
  if (TryTake(wait)) return WaitResult::Done;
  if (timeoutMs == 0u) return WaitResult::Timeout;
  Park(*self, wait, timeoutMs);
  for (;;) {
    Suspend(lock, *self);
    if (self->unwinding) {
      Unpark(*self);
      return BlockWhileUnwinding(*self, wait);
    }
    // Another thread may have taken what woke this one before it ran.
    if (TryTake(wait)) {
      Unpark(*self);
      return WaitResult::Done;
    }
    if (self->timedOut) {
      Unpark(*self);
      return WaitResult::Timeout;
    }
  }
}

void WakeWaiters() {
  std::vector<ThreadRecord*> ready;
  for (const auto& thread : S().threads) {
    if (thread->state == ThreadState::Blocked && thread->wait && thread->wait->ready()) {
      ready.push_back(thread.get());
    }
  }
  std::sort(ready.begin(), ready.end(), [](const ThreadRecord* a, const ThreadRecord* b) {
    return a->blockOrder < b->blockOrder;
  });
  for (ThreadRecord* thread : ready) MakeRunnable(*thread);
}

}  // namespace sim
