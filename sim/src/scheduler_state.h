// The scheduler's own state and the steps that both its halves use: the
// threads' side (scheduler.cpp) and the controller's loops (controller.cpp).
// Everything here needs the machine lock held.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "scheduler.h"

namespace sim {

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
  // Counts simulated calls and hand-overs of the baton. Only a count, so
  // that a call does not pay for a clock read: the controller notes when
  // it last saw the count change, for its hang reports.
  uint64_t progress = 0;
  uint64_t progressSeen = 0;
  std::chrono::steady_clock::time_point progressSeenAt = std::chrono::steady_clock::now();
};

Scheduler& S();

void NoteProgress();
std::string Describe(const ThreadRecord& thread);
// Prints the report and ends the test binary: the machine cannot go on.
[[noreturn]] void Abort(const std::string& report);
// The next thread to get the baton by the scheduling policy, or null.
ThreadRecord* TakeNextRunnable();
// Hands the baton to `next`, or back to the controller when it is null.
void Grant(ThreadRecord* next);
// A blocked thread may run again.
void MakeRunnable(ThreadRecord& thread);

}  // namespace sim
