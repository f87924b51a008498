// The service program's process life: start-up routine, entry point or
// fixture wait, exit sequence, and the control surface that runs it.
#include <algorithm>
#include <optional>

#include "handles.h"
#include "process.h"
#include "process_table.h"
#include "scheduler.h"
#include "sim/machine.h"
#include "threads.h"

namespace sim {
namespace {

std::vector<std::wstring> CommandArguments(const Process& process,
                                           const std::vector<std::wstring>& args) {
  std::vector<std::wstring> all{process.modulePath};
  all.insert(all.end(), args.begin(), args.end());
  return all;
}

// Calls the wide entry point as the C runtime does: argv[0] is the module
// path and argv[argc] a null pointer.
DWORD CallEntry(const Program& program, std::vector<std::wstring> args) {
  if (program.entry == nullptr) return 0;
  std::vector<wchar_t*> argv;
  for (std::wstring& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return static_cast<DWORD>(program.entry(static_cast<int>(args.size()), argv.data()));
}

// The fixture's main thread: it waits until EndProgram unwinds it.
DWORD AwaitEndProgram() {
  auto lock = Lock();
  WaitFor never{[] { return false; }, nullptr, "the end of the fixture process"};
  Block(lock, never, std::nullopt);
  return 0;
}

// The main thread stays; every other thread of the process unwinds, and the
// main thread waits until they have all ended. The exit code is the
// entry's, or, when the main thread was unwound, the one the process was
// ended with.
void EndOtherThreads(Process& process, bool unwound, DWORD exitCode) {
  auto lock = Lock();
  ThreadRecord& self = *Self();
  process.exiting = true;
  self.unwinding = false;
  if (!unwound && !process.terminated) process.pendingExitCode = exitCode;
  for (ThreadRecord* thread : process.threads) {
    if (thread != &self) UnwindThread(*thread, process.pendingExitCode);
  }
  WaitFor othersEnded{[&process] { return process.threads.size() <= 1; }, nullptr,
                      "the end of the process's other threads"};
  Block(lock, othersEnded, std::nullopt);
}

// Lists and closes the handles the process still has open, then signals it.
void CloseAndSignal(Process& process) {
  auto lock = Lock();
  std::vector<std::string> open = CloseHandlesOf(process);
  if (process.service) P().openAtExit = open;
  FinishProcess(process, process.pendingExitCode);
}

void RunExitSequence(Process& process, const Program& program, bool unwound, DWORD exitCode) {
  EndOtherThreads(process, unwound, exitCode);
  // TerminateProcess runs no destructors of the process, as on Windows.
  if (program.shutDown != nullptr && !process.terminated) program.shutDown();
  CloseAndSignal(process);
}

DWORD RunMainThread(Process& process, const Program& program, const std::function<DWORD()>& body) {
  DWORD exitCode = 0;
  bool unwound = false;
  try {
    if (program.startUp != nullptr) program.startUp();
    exitCode = body();
  } catch (const ThreadUnwind&) {
    unwound = true;
  }
  RunExitSequence(process, program, unwound, exitCode);
  return process.exitCode;
}

void UnwindMainThread(Process& process) {
  if (process.exiting || process.mainThread == nullptr) return;
  UnwindThread(*process.mainThread, process.pendingExitCode);
}

// Only one service process lives at a time: a new one ends the old one.
void EndStaleService() {
  bool stale;
  {
    auto lock = Lock();
    stale = P().liveService != nullptr;
    if (stale) {
      RecordProblem("a service process was started while process " +
                    std::to_string(P().liveService->pid) + " was still alive; it was ended");
    }
  }
  if (stale) EndProgram();
}

}  // namespace

std::shared_ptr<Process> LaunchServiceProcess(const Program& program, std::function<DWORD()> body,
                                              bool startedByScm) {
  auto lock = Lock();
  auto process = NewProcess(AllocateProcessId(true), P().modulePath, true);
  process->startedByScm = startedByScm;
  Process* raw = process.get();
  auto routine = [raw, program, body = std::move(body)]() -> DWORD {
    return RunMainThread(*raw, program, body);
  };
  process->mainThread = SpawnThread(process, std::move(routine)).get();
  return process;
}

void EndLiveProcesses() {
  auto lock = Lock();
  for (const auto& process : std::vector(P().live)) {
    if (process->service) {
      UnwindMainThread(*process);
    } else {
      TerminateProcessThreads(*process, 0);
    }
  }
}

void SetNextProcessId(DWORD pid) {
  auto lock = Lock();
  P().nextServicePid = pid;
}

void SetModulePath(const std::wstring& path) {
  auto lock = Lock();
  P().modulePath = path;
}

std::wstring ModulePath() {
  auto lock = Lock();
  return P().modulePath;
}

DWORD RunProgram(const Program& program, const std::vector<std::wstring>& args) {
  EndStaleService();
  auto process = LaunchServiceProcess(
      program,
      [program, args]() -> DWORD {
        std::vector<std::wstring> all;
        {
          auto lock = Lock();
          all = CommandArguments(*Self()->process, args);
        }
        return CallEntry(program, std::move(all));
      },
      false);
  Settle();
  auto lock = Lock();
  return process->ended ? process->exitCode : STILL_ACTIVE;
}

void StartProgram(const Program& program) {
  EndStaleService();
  LaunchServiceProcess(program, AwaitEndProgram, false);
  Settle();
}

DWORD StartThread(std::function<void()> routine) {
  auto lock = Lock();
  if (!P().liveService) {
    lock.unlock();
    RecordProblem("StartThread without a live service process");
    return 0;
  }
  auto wrapped = [routine = std::move(routine)]() -> DWORD {
    routine();
    return 0;
  };
  return SpawnThread(P().liveService, std::move(wrapped))->id;
}

void EndProgram() {
  std::shared_ptr<Process> process;
  {
    auto lock = Lock();
    process = P().liveService;
    if (!process) return;
    UnwindMainThread(*process);
  }
  Settle();
  auto lock = Lock();
  if (process->ended) return;
  lock.unlock();
  RecordProblem("process " + std::to_string(process->pid) +
                " did not end: a thread of it does not leave");
}

bool ProgramAlive() {
  auto lock = Lock();
  return P().liveService != nullptr;
}

DWORD LastExitCode() {
  auto lock = Lock();
  return P().lastExitCode;
}

DWORD LastProcessId() {
  auto lock = Lock();
  return P().lastPid;
}

const std::vector<std::string>& HandlesOpenAtExit() {
  auto lock = Lock();
  return P().openAtExit;
}

int LiveThreads() {
  auto lock = Lock();
  return P().liveService ? static_cast<int>(P().liveService->threads.size()) : 0;
}

int LiveThreadsStartedAt(LPTHREAD_START_ROUTINE routine) {
  auto lock = Lock();
  if (!P().liveService) return 0;
  const auto& threads = P().liveService->threads;
  return static_cast<int>(std::count_if(threads.begin(), threads.end(), [routine](auto* thread) {
    return thread->startRoutine == routine;
  }));
}

int BusyThreads() {
  auto lock = Lock();
  if (!P().liveService) return 0;
  const auto& threads = P().liveService->threads;
  return static_cast<int>(std::count_if(threads.begin(), threads.end(), [](auto* thread) {
    return thread->state != ThreadState::Blocked;
  }));
}

}  // namespace sim
