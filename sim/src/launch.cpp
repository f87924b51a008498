// CreateProcessAsUserW: checks the token and the arguments, finds the
// program, starts it and records the launch as the caller made it.
#include "launch.h"

#include <string>

#include "kernel.h"
#include "popups.h"
#include "sessions_state.h"
#include "sim/win32/session.h"
#include "tokens.h"

namespace sim {
namespace {

std::optional<std::wstring> Text(LPCWSTR text) {
  if (text == nullptr) return std::nullopt;
  return std::wstring(text);
}

// The program to start, or the error when it cannot be found.
std::optional<std::wstring> ProgramOf(LPCWSTR applicationName, LPCWSTR commandLine) {
  if (applicationName != nullptr) return ResolveApplicationName(applicationName);
  return ResolveCommandLine(commandLine);
}

sessions::Environment EnvironmentOf(LPVOID block) {
  if (block == nullptr) return sessions::Environment::None;
  auto found = Sessions().environments.find(block);
  if (found == Sessions().environments.end()) return sessions::Environment::Unknown;
  return found->second->owner;
}

// Blocks from CreateEnvironmentBlock hold wide strings.
bool MadeByTheMachine(LPVOID block) {
  sessions::Environment owner = EnvironmentOf(block);
  return owner != sessions::Environment::None && owner != sessions::Environment::Unknown;
}

sessions::Launch LaunchRecord(const StartedProgram& started, LPCWSTR applicationName,
                              LPCWSTR commandLine, BOOL inheritHandles, DWORD creationFlags,
                              LPVOID environment, const STARTUPINFOW& startup) {
  sessions::Launch launch;
  launch.pid = started.process->pid;
  launch.program = started.process->modulePath;
  launch.applicationName = Text(applicationName);
  launch.commandLine = commandLine ? commandLine : L"";
  launch.user = started.user;
  launch.session = started.session;
  launch.desktop = Text(startup.lpDesktop);
  launch.environment = EnvironmentOf(environment);
  launch.creationFlags = creationFlags;
  launch.startupSize = startup.cb;
  launch.startupFlags = startup.dwFlags;
  launch.showWindow = startup.wShowWindow;
  launch.inheritHandles = inheritHandles != FALSE;
  return launch;
}

}  // namespace
}  // namespace sim

BOOL WINAPI CreateProcessAsUserW(HANDLE hToken, LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                                 LPSECURITY_ATTRIBUTES lpProcessAttributes,
                                 LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles,
                                 DWORD dwCreationFlags, LPVOID lpEnvironment,
                                 LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                                 LPPROCESS_INFORMATION lpProcessInformation) {
  (void)lpProcessAttributes;
  (void)lpThreadAttributes;
  (void)lpCurrentDirectory;
  if (auto error = sim::Enter("CreateProcessAsUserW", ERROR_ACCESS_DENIED)) {
    SetLastError(*error);
    return FALSE;
  }
  if ((lpApplicationName == nullptr && lpCommandLine == nullptr) || lpStartupInfo == nullptr ||
      lpProcessInformation == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::optional<sim::DelayedAnswer> delayed;
  {
    auto lock = sim::Lock();
    auto token = sim::Find<sim::Token>(hToken, "CreateProcessAsUserW");
    if (!token) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    if (token->type != TokenPrimary) {
      SetLastError(ERROR_BAD_TOKEN_TYPE);
      return FALSE;
    }
    // A block of wide strings without CREATE_UNICODE_ENVIRONMENT would be
    // read as ANSI text.
    if (sim::MadeByTheMachine(lpEnvironment) &&
        (dwCreationFlags & CREATE_UNICODE_ENVIRONMENT) == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    std::optional<std::wstring> program = sim::ProgramOf(lpApplicationName, lpCommandLine);
    if (!program) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return FALSE;
    }
    const sim::StartedProgram& started = sim::StartProgramFile(*program, *token);
    sim::Sessions().launches.push_back(sim::LaunchRecord(started, lpApplicationName, lpCommandLine,
                                                         bInheritHandles, dwCreationFlags,
                                                         lpEnvironment, *lpStartupInfo));
    lpProcessInformation->hProcess = sim::AddHandle(started.process);
    lpProcessInformation->hThread = sim::AddHandle(started.primary);
    lpProcessInformation->dwProcessId = started.process->pid;
    lpProcessInformation->dwThreadId = started.primary->id;
    delayed = sim::PlayBehaviour(started);
  }
  if (delayed) sim::ScheduleAnswer(*delayed);
  return TRUE;
}
