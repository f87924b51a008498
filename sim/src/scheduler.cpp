// The scheduler: who runs, who waits, and the controller's loops that run
// the machine until it is quiet.
#include "scheduler.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "clock.h"
#include "process.h"

namespace sim {
namespace {

// A thread that makes this many simulated calls in a row without ever
// blocking cannot be waiting for anything: it spins.
constexpr uint64_t kSpinLimit = 1000000;

struct Scheduler {
  Options options;
  std::mt19937_64 random;
  std::vector<std::shared_ptr<ThreadRecord>> threads;
  // Deterministic modes: threads waiting for the baton, earliest first.
  std::deque<ThreadRecord*> runnable;
  ThreadRecord* running = nullptr;  // the baton holder; null: the controller
  // Free-running mode: threads that run or have been woken.
  int active = 0;
  uint64_t blockCounter = 0;
  std::condition_variable controllerWake;
  std::chrono::steady_clock::time_point lastProgress = std::chrono::steady_clock::now();
};

// Never destroyed: simulated threads that are still parked when the test
// binary exits must not find it gone.
Scheduler& S() {
  static Scheduler* scheduler = new Scheduler;
  return *scheduler;
}

thread_local ThreadRecord* tSelf = nullptr;

void NoteProgress() { S().lastProgress = std::chrono::steady_clock::now(); }

std::string Describe(const ThreadRecord& thread) {
  std::string text = "thread " + std::to_string(thread.id);
  if (thread.process) text += " of process " + std::to_string(thread.process->pid);
  return text;
}

[[noreturn]] void Abort(const std::string& report) {
  std::fprintf(stderr, "sim: %s\n", report.c_str());
  std::fflush(stderr);
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

// Hands the baton to `next`, or back to the controller when it is null.
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

void AwaitBaton(std::unique_lock<std::mutex>& lock, ThreadRecord& self) {
  self.wake.wait(lock, [&] { return S().running == &self; });
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

[[noreturn]] void ReportHang() {
  Scheduler& s = S();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(s.options.hangTimeout).count();
  if (s.running != nullptr) {
    Abort(Describe(*s.running) + " hung: it ran " + std::to_string(ms) +
          " ms of real time without a simulated call; last simulated call: " + s.running->lastApi);
  }
  std::string report = "the machine hung: no simulated call for " + std::to_string(ms) + " ms;";
  for (const auto& thread : s.threads) {
    if (thread->state != ThreadState::Running && thread->state != ThreadState::Runnable) continue;
    report += " " + Describe(*thread) + " (last simulated call: " + thread->lastApi + ")";
  }
  Abort(report);
}

// Waits on the controller until `done` holds, watching for hung threads.
template <typename Predicate>
void ControllerWait(std::unique_lock<std::mutex>& lock, Predicate done) {
  Scheduler& s = S();
  while (!done()) {
    auto limit = s.lastProgress + s.options.hangTimeout;
    if (std::chrono::steady_clock::now() >= limit) ReportHang();
    s.controllerWake.wait_until(lock, limit);
  }
}

void AwaitQuiet(std::unique_lock<std::mutex>& lock) {
  Scheduler& s = S();
  if (!Deterministic()) {
    ControllerWait(lock, [&] { return s.active == 0; });
    return;
  }
  while (!s.runnable.empty()) {
    Grant(TakeNextRunnable());
    ControllerWait(lock, [&] { return s.running == nullptr; });
  }
}

std::optional<uint64_t> EarliestDeadline() {
  std::optional<uint64_t> earliest;
  for (const auto& thread : S().threads) {
    if (thread->state != ThreadState::Blocked || !thread->deadline) continue;
    if (!earliest || *thread->deadline < *earliest) earliest = thread->deadline;
  }
  return earliest;
}

void WakeDue(uint64_t now) {
  std::vector<ThreadRecord*> due;
  for (const auto& thread : S().threads) {
    if (thread->state == ThreadState::Blocked && thread->deadline && *thread->deadline <= now) {
      due.push_back(thread.get());
    }
  }
  std::sort(due.begin(), due.end(), [](const ThreadRecord* a, const ThreadRecord* b) {
    if (*a->deadline != *b->deadline) return *a->deadline < *b->deadline;
    return a->blockOrder < b->blockOrder;
  });
  for (ThreadRecord* thread : due) {
    thread->timedOut = true;
    MakeRunnable(*thread);
  }
}

void MoveClockTo(std::unique_lock<std::mutex>& lock, uint64_t ms) {
  if (!S().options.realTime) {
    SetVirtualNow(ms);
    return;
  }
  while (NowMs() < ms) S().controllerWake.wait_until(lock, RealTimeOf(ms));
}

}  // namespace

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

const std::vector<std::shared_ptr<ThreadRecord>>& AllThreads() { return S().threads; }

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

void SchedulingPoint(std::unique_lock<std::mutex>& lock, ThreadRecord& self, const char* api) {
  self.lastApi = api;
  NoteProgress();
  LeaveIfUnwinding(self);
  if (!Deterministic()) return;
  if (++self.callsSinceBlock > kSpinLimit) {
    Abort(Describe(self) + " is spinning: " + std::to_string(self.callsSinceBlock - 1) +
          " simulated calls without ever blocking; last simulated call: " + api);
  }
  Scheduler& s = S();
  if (s.options.scheduling != Scheduling::Seeded || s.runnable.empty()) return;
  // The current thread is one of the candidates, so it keeps running with
  // the same chance as any other.
  size_t pick = s.random() % (s.runnable.size() + 1);
  if (pick == s.runnable.size()) return;
  ThreadRecord* next = s.runnable[pick];
  s.runnable.erase(s.runnable.begin() + static_cast<std::ptrdiff_t>(pick));
  self.state = ThreadState::Runnable;
  s.runnable.push_back(&self);
  Grant(next);
  AwaitBaton(lock, self);
  LeaveIfUnwinding(self);
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

void RunUntilQuiet() {
  auto lock = Lock();
  AwaitQuiet(lock);
}

bool RunAndAdvance(std::optional<uint64_t> untilMs, uint64_t limitMs) {
  auto lock = Lock();
  const uint64_t start = NowMs();
  for (;;) {
    AwaitQuiet(lock);
    std::optional<uint64_t> next = EarliestDeadline();
    if (!next || (untilMs && *next > *untilMs)) break;
    if (!untilMs && *next - start > limitMs) {
      lock.unlock();
      RecordProblem("the machine does not settle: timed waits go on beyond " +
                    std::to_string(limitMs) + " ms of virtual time");
      return false;
    }
    MoveClockTo(lock, *next);
    WakeDue(NowMs());
  }
  if (untilMs) MoveClockTo(lock, *untilMs);
  return true;
}

void JoinFinished() {
  std::vector<std::shared_ptr<ThreadRecord>> finished;
  {
    auto lock = Lock();
    auto& threads = S().threads;
    auto split = std::stable_partition(threads.begin(), threads.end(), [](const auto& thread) {
      return thread->state != ThreadState::Finished;
    });
    finished.assign(split, threads.end());
    threads.erase(split, threads.end());
  }
  for (auto& thread : finished) {
    if (thread->thread.joinable()) thread->thread.join();
  }
}

void EndAllThreads() {
  {
    auto lock = Lock();
    for (const auto& thread : S().threads) UnwindThread(*thread, 0);
  }
  RunAndAdvance(std::nullopt, SchedulerOptions().settleLimitMs);
  JoinFinished();
  auto lock = Lock();
  Scheduler& s = S();
  // A thread that does not leave even while unwinding (its destructors wait
  // on a lock that nobody will release) is given up: it stays parked for
  // good, out of the new machine's sight.
  for (auto& thread : s.threads) {
    std::string report =
        Describe(*thread) + " did not end; last simulated call: " + thread->lastApi;
    std::fprintf(stderr, "sim: %s\n", report.c_str());
    RecordProblem(report);
    thread->thread.detach();
    static auto* abandoned = new std::vector<std::shared_ptr<ThreadRecord>>;
    abandoned->push_back(thread);
  }
  s.threads.clear();
}

}  // namespace sim
