// Simulated processes: the kernel object behind a process handle, its
// threads, and how a process ends.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kernel.h"
#include "sim/machine.h"

namespace sim {

struct ThreadRecord;

class Process : public Object {
 public:
  static constexpr HandleKind kKind = HandleKind::Process;
  HandleKind Kind() const override { return kKind; }
  bool Waitable() const override { return true; }
  bool Signaled() const override { return ended; }

  uint64_t serial = 0;  // never reused, unlike process ids
  DWORD pid = 0;
  std::wstring modulePath;
  bool service = false;
  bool startedByScm = false;
  bool exiting = false;     // its exit sequence runs; the main thread stays
  bool terminated = false;  // ended by TerminateProcess: no shut-down routine
  bool ended = false;
  DWORD pendingExitCode = 0;
  DWORD exitCode = STILL_ACTIVE;
  std::vector<ThreadRecord*> threads;  // live threads
  ThreadRecord* mainThread = nullptr;
  // Called once as the process ends, before its waiters wake (lock held):
  // a process started by another one ends its primary thread object here.
  std::function<void(Process&)> onFinish;
};

// The process of the calling thread, as an object (lock held).
std::shared_ptr<Process> CurrentProcessObject();

// A new process record (lock held). `service` marks the one service process
// that the control surface follows.
std::shared_ptr<Process> NewProcess(DWORD pid, const std::wstring& modulePath, bool service);
// The next free process id, or the one set with SetNextProcessId for the next
// service process (lock held).
DWORD AllocateProcessId(bool service);
// Starts a simulated thread of `process` (null: a thread of the machine
// itself) that runs `routine`; the lock must not be held. Returns its id.
DWORD StartThreadIn(std::shared_ptr<Process> process, std::function<DWORD()> routine);
// Starts a service process whose main thread runs the program's start-up
// routine and `body`, then the exit sequence. Does not run the machine.
std::shared_ptr<Process> LaunchServiceProcess(const Program& program, std::function<DWORD()> body,
                                              bool startedByScm);
// Ends a process whose threads have all ended (lock held).
void FinishProcess(Process& process, DWORD exitCode);
// Makes every thread of the process leave, as TerminateProcess does (lock held).
void TerminateProcessThreads(Process& process, DWORD exitCode);
// Called by a thread that has ended (lock held).
void ThreadLeftProcess(ThreadRecord& thread);

std::shared_ptr<Process> LiveServiceProcess();
// The live service process, or the last one when none lives.
std::shared_ptr<Process> FollowedServiceProcess();
// Ends every live process, for a new machine (lock not held; does not run
// the machine).
void EndLiveProcesses();
void ResetProcesses();

}  // namespace sim
