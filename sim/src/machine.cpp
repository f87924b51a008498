// The machine as a whole: Reset, options, the recorders' switch, the list
// of machine-level problems, the areas' reset hooks, and the controller's
// ways of letting the machine run.
#include <algorithm>
#include <atomic>
#include <mutex>

#include "clock.h"
#include "faults.h"
#include "handles.h"
#include "kernel.h"
#include "kernel_state.h"
#include "process.h"
#include "scheduler.h"
#include "sim/machine.h"
#include "threads.h"

namespace sim {
namespace {

struct Records {
  std::mutex mutex;  // problems come from any thread, with or without the machine lock
  std::vector<std::string> problems;
  std::vector<void (*)()> resetHooks;
  std::atomic<bool> recording{true};
};

Records& R() {
  static Records* records = new Records;
  return *records;
}

void RunResetHooks() {
  std::vector<void (*)()> hooks;
  {
    std::lock_guard<std::mutex> guard(R().mutex);
    hooks = R().resetHooks;
  }
  for (auto hook : hooks) hook();
}

}  // namespace

void ResetProblemsAndRecording() {
  std::lock_guard<std::mutex> guard(R().mutex);
  R().problems.clear();
  R().recording = true;
}

void RecordProblem(const std::string& what) {
  std::lock_guard<std::mutex> guard(R().mutex);
  R().problems.push_back(what);
}

const std::vector<std::string>& Problems() {
  std::lock_guard<std::mutex> guard(R().mutex);
  return R().problems;
}

void AddResetHook(void (*hook)()) {
  std::lock_guard<std::mutex> guard(R().mutex);
  auto& hooks = R().resetHooks;
  if (std::find(hooks.begin(), hooks.end(), hook) == hooks.end()) hooks.push_back(hook);
}

bool Recording() { return R().recording.load(std::memory_order_relaxed); }
void SetRecording(bool on) { R().recording = on; }

const Options& CurrentOptions() {
  auto lock = Lock();
  return SchedulerOptions();
}

void Reset(const Options& options) {
  // The old machine ends first, under its own options: the service process
  // leaves through its exit sequence, every other thread unwinds.
  EndLiveProcesses();
  RunAndAdvance(std::nullopt, SchedulerOptions().settleLimitMs);
  EndAllThreads();
  {
    auto lock = Lock();
    ResetProcesses();
    ResetHandles();
    ResetFaultsAndCalls();
    ResetCriticalSections();
    ResetSlimLocks();
    ResetHeap();
    ResetThreadIds();
    ResetClock(options.realTime);
    ConfigureScheduler(options);
  }
  RunResetHooks();
  ResetProblemsAndRecording();
}

void Settle() {
  RunAndAdvance(std::nullopt, SchedulerOptions().settleLimitMs);
  JoinFinished();
}

void RunReady() {
  RunUntilQuiet();
  JoinFinished();
}

void Advance(uint64_t ms) {
  uint64_t until;
  {
    auto lock = Lock();
    until = NowMs() + ms;
  }
  RunAndAdvance(until, SchedulerOptions().settleLimitMs);
  JoinFinished();
}

}  // namespace sim
