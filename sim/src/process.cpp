// Process records: ids, the live and the last service process, the
// process of the calling thread, and how a process ends.
#include "process.h"

#include <algorithm>

#include "handles.h"
#include "process_table.h"
#include "scheduler.h"

namespace sim {
namespace {

bool PidInUse(DWORD pid) {
  const auto& live = P().live;
  return std::any_of(live.begin(), live.end(), [&](const auto& p) { return p->pid == pid; });
}

}  // namespace

// Never destroyed, like the rest of the machine's state.
Processes& P() {
  static Processes* processes = new Processes;
  return *processes;
}

std::shared_ptr<Process> NewProcess(DWORD pid, const std::wstring& modulePath, bool service) {
  auto process = std::make_shared<Process>();
  process->serial = P().nextSerial++;
  process->pid = pid;
  process->modulePath = modulePath;
  process->service = service;
  P().live.push_back(process);
  if (service) P().liveService = process;
  return process;
}

DWORD AllocateProcessId(bool service) {
  Processes& p = P();
  if (service && p.nextServicePid) {
    DWORD pid = *p.nextServicePid;
    p.nextServicePid.reset();
    return pid;
  }
  while (PidInUse(p.nextPid)) p.nextPid += 4;
  DWORD pid = p.nextPid;
  p.nextPid += 4;
  return pid;
}

void FinishProcess(Process& process, DWORD exitCode) {
  if (process.ended) return;
  Processes& p = P();
  process.exitCode = exitCode;
  process.ended = true;
  std::erase_if(p.live, [&](const auto& live) { return live.get() == &process; });
  if (p.liveService.get() == &process) {
    p.lastService = p.liveService;
    p.liveService.reset();
    p.lastExitCode = exitCode;
    p.lastPid = process.pid;
  }
  if (process.onFinish) process.onFinish(process);
  WakeWaiters();
}

void TerminateProcessThreads(Process& process, DWORD exitCode) {
  process.terminated = true;
  process.pendingExitCode = exitCode;
  if (process.threads.empty()) {
    CloseHandlesOf(process);
    FinishProcess(process, exitCode);
    return;
  }
  for (ThreadRecord* thread : process.threads) {
    if (process.exiting && thread == process.mainThread) continue;
    UnwindThread(*thread, exitCode);
  }
}

void ThreadLeftProcess(ThreadRecord& thread) {
  Process* process = thread.process.get();
  if (process == nullptr) return;
  std::erase(process->threads, &thread);
  if (process->mainThread == &thread) process->mainThread = nullptr;
  if (!process->threads.empty() || process->ended) return;
  CloseHandlesOf(*process);
  FinishProcess(*process, process->pendingExitCode);
}

std::shared_ptr<Process> LiveServiceProcess() { return P().liveService; }

std::shared_ptr<Process> FollowedServiceProcess() {
  return P().liveService ? P().liveService : P().lastService;
}

std::shared_ptr<Process> CurrentProcessObject() {
  if (ThreadRecord* self = Self()) return self->process;
  return P().liveService;
}

void ResetProcesses() { P() = Processes{}; }

Process* CurrentProcess() { return CurrentProcessObject().get(); }

DWORD CurrentProcessId() {
  Process* process = CurrentProcess();
  return process ? process->pid : 0;
}

bool CurrentProcessStartedByScm() {
  Process* process = CurrentProcess();
  return process && process->startedByScm;
}

}  // namespace sim
