// The controller's side of the scheduler: running the machine until it is
// quiet, letting virtual time pass, watching for hung threads, and joining
// the real threads of simulated threads that have ended.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "clock.h"
#include "scheduler.h"
#include "scheduler_state.h"

namespace sim {
namespace {

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

// Notes the time when the progress count is seen to have moved.
void WatchProgress(std::chrono::steady_clock::time_point now) {
  Scheduler& s = S();
  if (s.progress == s.progressSeen) return;
  s.progressSeen = s.progress;
  s.progressSeenAt = now;
}

// Waits on the controller until `done` holds, watching for hung threads:
// the machine hangs when no simulated call is made for the hang time-out
// while the controller waits.
template <typename Predicate>
void ControllerWait(std::unique_lock<std::mutex>& lock, Predicate done) {
  Scheduler& s = S();
  s.progressSeen = s.progress;
  s.progressSeenAt = std::chrono::steady_clock::now();
  while (!done()) {
    const auto now = std::chrono::steady_clock::now();
    WatchProgress(now);
    auto limit = s.progressSeenAt + s.options.hangTimeout;
    if (now >= limit) ReportHang();
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
    // In real time a deadline may already lie behind the start.
    if (!untilMs && *next > start && *next - start > limitMs) {
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
