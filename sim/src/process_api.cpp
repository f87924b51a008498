// The Win32 process functions of the simulated machine.
#include <algorithm>
#include <mutex>
#include <string>

#include "entry_holding.h"
#include "handles.h"
#include "kernel.h"
#include "process.h"
#include "process_table.h"
#include "scheduler.h"
#include "sim/win32/kernel.h"

namespace {

constexpr DWORD kErrorModNotFound = 126;

}  // namespace

HANDLE WINAPI GetCurrentProcess() {
  sim::Enter("GetCurrentProcess", ERROR_SUCCESS);
  return sim::CurrentProcessPseudoHandle();
}

DWORD WINAPI GetCurrentProcessId() {
  std::unique_lock<std::mutex> lock;
  sim::EnterHolding("GetCurrentProcessId", ERROR_SUCCESS, lock);
  return sim::CurrentProcessId();
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  if (auto error = sim::Enter("GetModuleFileNameW", ERROR_NOT_ENOUGH_MEMORY)) {
    SetLastError(*error);
    return 0;
  }
  if (hModule != nullptr) {
    SetLastError(kErrorModNotFound);
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
