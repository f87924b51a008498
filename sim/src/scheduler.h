// The scheduler of the simulated machine: the record of every simulated
// thread, the baton that lets one of them run at a time in the
// deterministic modes, and the controller's loops that run the machine until
// it is quiet and make virtual time pass.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "kernel.h"
#include "sim/machine.h"
#include "sim/win32/kernel.h"

namespace sim {

class ThreadObject;

// Thrown into a simulated thread whose thread or process is ending, so that
// its stack unwinds and its destructors run. Only the trampoline catches it.
struct ThreadUnwind {};

enum class ThreadState { Runnable, Running, Blocked, Finished };

// What the machine knows of one simulated thread. Guarded by the machine
// lock; owned by the scheduler until the real thread has been joined.
struct ThreadRecord {
  DWORD id = 0;
  std::shared_ptr<Process> process;  // null for the machine's own threads
  ThreadState state = ThreadState::Runnable;
  std::condition_variable wake;
  const WaitFor* wait = nullptr;
  std::optional<uint64_t> deadline;  // machine milliseconds
  uint64_t blockOrder = 0;           // wakes at one deadline go in blocking order
  bool timedOut = false;
  bool unwinding = false;
  // Its routine has returned or unwound: simulated calls no longer throw.
  bool leaving = false;
  DWORD unwindExitCode = 0;
  const char* lastApi = "(none yet)";
  // The routine CreateThread started it at (null for the machine's threads
  // and the process's main thread).
  LPTHREAD_START_ROUTINE startRoutine = nullptr;
  uint64_t callsSinceBlock = 0;
  std::shared_ptr<ThreadObject> object;
  std::thread thread;
};

// The thread id that the controller sees for itself.
inline constexpr DWORD kControllerThreadId = 4;

// The calling simulated thread, or null on the controller.
ThreadRecord* Self();
void SetSelf(ThreadRecord* self);

// ---- used by the machine's own files (lock held unless said otherwise) ----

const Options& SchedulerOptions();
// Applies new options; no simulated thread may be alive.
void ConfigureScheduler(const Options& options);
bool Deterministic();

// Registers a new thread; it runs after the threads already runnable.
void Admit(std::shared_ptr<ThreadRecord> record);
// Called by a new thread before it runs its routine.
void AwaitFirstTurn(std::unique_lock<std::mutex>& lock, ThreadRecord& self);
// Called by a thread whose routine has ended, after its bookkeeping.
void LeaveScheduler(ThreadRecord& self);
// Marks a thread as unwinding and lets it run so that it leaves.
void UnwindThread(ThreadRecord& thread, DWORD exitCode);
// Gives the other runnable threads a turn (Sleep(0)).
void YieldTurn(std::unique_lock<std::mutex>& lock, ThreadRecord& self);
// Called by Enter on a simulated thread: a scheduling point.
void SchedulingPoint(std::unique_lock<std::mutex>& lock, ThreadRecord& self, const char* api);
// Throws ThreadUnwind when the thread must leave and is not unwinding already.
// Called where the thread waits, and where it ends itself; an ordinary
// scheduling point never throws, since the call may come from a destructor.
void LeaveIfUnwinding(ThreadRecord& self);

// ---- the controller (lock not held) ----------------------------------------

// Runs until no thread is runnable; the clock does not move.
void RunUntilQuiet();
// Runs and lets virtual time pass until nothing is left to run, or gives up
// when more than `limitMs` would pass. Returns false when it gave up.
bool RunAndAdvance(std::optional<uint64_t> untilMs, uint64_t limitMs);
// Joins the real threads of finished simulated threads.
void JoinFinished();
// Ends every simulated thread that is still alive, for a new machine.
void EndAllThreads();

}  // namespace sim
