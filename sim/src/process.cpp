// Simulated processes: ids, the service process's life (start-up routine,
// entry point, exit sequence), and the Win32 process functions.
#include "process.h"

#include <algorithm>
#include <optional>

#include "handles.h"
#include "scheduler.h"
#include "sim/win32/kernel.h"
#include "threads.h"

namespace sim {
namespace {

constexpr DWORD kFirstProcessId = 1000;
constexpr DWORD kErrorModNotFound = 126;
const wchar_t kDefaultModulePath[] = L"C:\\Program Files\\Koru Audio\\KoruAudioService.exe";

struct Processes {
  std::vector<std::shared_ptr<Process>> live;
  std::shared_ptr<Process> liveService;
  std::shared_ptr<Process> lastService;
  std::optional<DWORD> nextServicePid;
  DWORD nextPid = kFirstProcessId;
  uint64_t nextSerial = 1;
  std::wstring modulePath = kDefaultModulePath;
  std::vector<std::string> openAtExit;
  DWORD lastExitCode = 0;
  DWORD lastPid = 0;
};

Processes& P() {
  static Processes* processes = new Processes;
  return *processes;
}

bool PidInUse(DWORD pid) {
  const auto& live = P().live;
  return std::any_of(live.begin(), live.end(), [&](const auto& p) { return p->pid == pid; });
}

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

// Other threads are unwound and waited for, the shut-down routine runs, the
// handles still open are listed and closed, then the process object is
// signalled.
void RunExitSequence(Process& process, const Program& program, bool unwound, DWORD exitCode) {
  {
    auto lock = Lock();
    ThreadRecord& self = *Self();
    process.exiting = true;
    self.unwinding = false;
    if (unwound) exitCode = process.pendingExitCode;
    if (!process.terminated) process.pendingExitCode = exitCode;
    for (ThreadRecord* thread : process.threads) {
      if (thread != &self) UnwindThread(*thread, process.pendingExitCode);
    }
    WaitFor othersEnded{[&process] { return process.threads.size() <= 1; }, nullptr,
                        "the end of the process's other threads"};
    Block(lock, othersEnded, std::nullopt);
  }
  if (program.shutDown != nullptr && !process.terminated) program.shutDown();
  auto lock = Lock();
  std::vector<std::string> open = CloseHandlesOf(process);
  if (process.service) P().openAtExit = open;
  FinishProcess(process, process.pendingExitCode);
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

// ---- the control surface ---------------------------------------------------

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

}  // namespace sim

HANDLE WINAPI GetCurrentProcess() {
  sim::Enter("GetCurrentProcess", ERROR_SUCCESS);
  return sim::CurrentProcessPseudoHandle();
}

DWORD WINAPI GetCurrentProcessId() {
  sim::Enter("GetCurrentProcessId", ERROR_SUCCESS);
  auto lock = sim::Lock();
  return sim::CurrentProcessId();
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  if (auto error = sim::Enter("GetModuleFileNameW", ERROR_NOT_ENOUGH_MEMORY)) {
    SetLastError(*error);
    return 0;
  }
  if (hModule != nullptr) {
    SetLastError(sim::kErrorModNotFound);
    return 0;
  }
  std::wstring path;
  {
    auto lock = sim::Lock();
    sim::Process* process = sim::CurrentProcess();
    path = process ? process->modulePath : sim::P().modulePath;
  }
  if (nSize == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() < nSize) {
    std::copy(path.begin(), path.end(), lpFilename);
    lpFilename[path.size()] = L'\0';
    return static_cast<DWORD>(path.size());
  }
  // Too small: Windows copies what fits, terminates it and returns nSize.
  std::copy(path.begin(), path.begin() + (nSize - 1), lpFilename);
  lpFilename[nSize - 1] = L'\0';
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return nSize;
}

BOOL WINAPI TerminateProcess(HANDLE hProcess, UINT uExitCode) {
  if (auto error = sim::Enter("TerminateProcess", ERROR_ACCESS_DENIED)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto process = sim::Find<sim::Process>(hProcess, "TerminateProcess");
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // An ended process cannot be terminated again; Windows refuses access.
  if (process->ended) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  sim::TerminateProcessThreads(*process, uExitCode);
  // Terminating its own process does not return to the caller.
  if (sim::ThreadRecord* self = sim::Self(); self && self->process == process) {
    sim::LeaveIfUnwinding(*self);
  }
  return TRUE;
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  if (auto error = sim::Enter("GetExitCodeProcess", ERROR_INVALID_HANDLE)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto process = sim::Find<sim::Process>(hProcess, "GetExitCodeProcess");
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *lpExitCode = process->ended ? process->exitCode : STILL_ACTIVE;
  return TRUE;
}
