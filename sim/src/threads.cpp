// Simulated threads: the trampoline that runs a routine on a real thread
// under the scheduler, and the Win32 thread functions.
#include "threads.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

#include "handles.h"
#include "process.h"
#include "scheduler.h"
#include "sim/win32/kernel.h"

namespace sim {
namespace {

// Thread ids share the space of process ids on Windows; these stay clear of
// the process ids the machine hands out.
constexpr DWORD kFirstThreadId = 5000;
DWORD gNextThreadId = kFirstThreadId;

[[noreturn]] void Crash(const ThreadRecord& self, const char* what) {
  std::fprintf(stderr, "sim: unexpected exception on simulated thread %u: %s\n", self.id, what);
  std::fflush(stderr);
  std::_Exit(3);
}

DWORD RunRoutine(ThreadRecord& self, const std::function<DWORD()>& routine) {
  try {
    return routine();
  } catch (const ThreadUnwind&) {
    auto lock = Lock();
    return self.unwindExitCode;
  } catch (const std::exception& error) {
    Crash(self, error.what());
  } catch (...) {
    Crash(self, "not a std::exception");
  }
}

void EndThread(ThreadRecord& self, DWORD exitCode) {
  self.object->finished = true;
  self.object->exitCode = exitCode;
  ThreadLeftProcess(self);
  WakeWaiters();
  LeaveScheduler(self);
}

void Trampoline(ThreadRecord* self, std::function<DWORD()> routine) {
  SetSelf(self);
  std::optional<DWORD> unwoundBeforeStart;
  {
    auto lock = Lock();
    AwaitFirstTurn(lock, *self);
    if (self->unwinding) unwoundBeforeStart = self->unwindExitCode;
  }
  DWORD exitCode = unwoundBeforeStart ? *unwoundBeforeStart : RunRoutine(*self, routine);
  {
    auto lock = Lock();
    self->leaving = true;
  }
  // The routine's captures are destroyed while the thread still has its
  // turn, since their destructors may make simulated calls.
  routine = nullptr;
  auto lock = Lock();
  EndThread(*self, exitCode);
}

}  // namespace

std::shared_ptr<ThreadRecord> SpawnThread(std::shared_ptr<Process> process,
                                          std::function<DWORD()> routine) {
  auto record = std::make_shared<ThreadRecord>();
  record->id = gNextThreadId;
  gNextThreadId += 4;
  record->process = process;
  record->object = std::make_shared<ThreadObject>();
  record->object->id = record->id;
  record->object->record = record;
  if (process) process->threads.push_back(record.get());
  Admit(record);
  record->thread = std::thread(Trampoline, record.get(), std::move(routine));
  return record;
}

void ResetThreadIds() { gNextThreadId = kFirstThreadId; }

DWORD CurrentThreadId() {
  ThreadRecord* self = Self();
  return self ? self->id : kControllerThreadId;
}

DWORD StartThreadIn(std::shared_ptr<Process> process, std::function<DWORD()> routine) {
  auto lock = Lock();
  return SpawnThread(std::move(process), std::move(routine))->id;
}

DWORD StartMachineThread(std::function<void()> routine) {
  return StartThreadIn(nullptr, [routine = std::move(routine)]() -> DWORD {
    routine();
    return 0;
  });
}

}  // namespace sim

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                           LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                           DWORD dwCreationFlags, LPDWORD lpThreadId) {
  (void)lpThreadAttributes;
  (void)dwStackSize;
  if (auto error = sim::Enter("CreateThread", ERROR_NOT_ENOUGH_MEMORY)) {
    SetLastError(*error);
    return nullptr;
  }
  if (lpStartAddress == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // The service never starts threads suspended; the machine does not model it.
  if ((dwCreationFlags & CREATE_SUSPENDED) != 0) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto lock = sim::Lock();
  auto routine = [lpStartAddress, lpParameter]() -> DWORD { return lpStartAddress(lpParameter); };
  auto record = sim::SpawnThread(sim::CurrentProcessObject(), routine);
  record->startRoutine = lpStartAddress;
  if (lpThreadId != nullptr) *lpThreadId = record->id;
  return sim::AddHandle(record->object);
}

BOOL WINAPI TerminateThread(HANDLE hThread, DWORD dwExitCode) {
  if (auto error = sim::Enter("TerminateThread", ERROR_ACCESS_DENIED)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto thread = sim::Find<sim::ThreadObject>(hThread, "TerminateThread");
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // Windows stops the thread where it is; the machine makes it leave at its
  // next wait through the unwinding path.
  std::shared_ptr<sim::ThreadRecord> record = thread->record.lock();
  if (record && !thread->finished) sim::UnwindThread(*record, dwExitCode);
  if (record.get() == sim::Self()) sim::LeaveIfUnwinding(*record);
  return TRUE;
}

BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
  if (auto error = sim::Enter("GetExitCodeThread", ERROR_INVALID_HANDLE)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto thread = sim::Find<sim::ThreadObject>(hThread, "GetExitCodeThread");
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *lpExitCode = thread->finished ? thread->exitCode : STILL_ACTIVE;
  return TRUE;
}

DWORD WINAPI GetCurrentThreadId() {
  sim::Enter("GetCurrentThreadId", ERROR_SUCCESS);
  return sim::CurrentThreadId();
}

HANDLE WINAPI GetCurrentThread() {
  sim::Enter("GetCurrentThread", ERROR_SUCCESS);
  return sim::CurrentThreadPseudoHandle();
}
