// The console session and its user, the executable files the machine
// knows, and the two session functions of the Terminal Services API.
#include <algorithm>
#include <cwctype>

#include "kernel.h"
#include "process_table.h"
#include "sessions_state.h"
#include "sim/sessions.h"
#include "sim/win32/session.h"
#include "tokens.h"

namespace sim {
namespace {

// The popups that ship beside the service's executable.
constexpr const wchar_t* kPopupFiles[] = {L"KoruPopupWindow.exe", L"KoruAudioSwitchWindow.exe",
                                          L"ChimeWindow.exe"};

// Reset hooks run while no simulated thread runs; they take no lock.
void ResetSessions() { Sessions() = SessionState{}; }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetSessions), true);

std::wstring DirectoryOf(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The service's executable and the popups beside it, wherever the module
// path says the service lies now.
std::vector<std::wstring> DefaultFiles() {
  const std::wstring& module = P().modulePath;
  std::vector<std::wstring> files{module};
  for (const wchar_t* popup : kPopupFiles) files.push_back(DirectoryOf(module) + L"\\" + popup);
  return files;
}

bool Listed(const std::vector<std::wstring>& files, const std::wstring& upperPath) {
  return std::any_of(files.begin(), files.end(),
                     [&](const std::wstring& file) { return UpperCase(file) == upperPath; });
}

}  // namespace

// Never destroyed, like the rest of the machine's state.
SessionState& Sessions() {
  static SessionState* state = new SessionState;
  return *state;
}

std::wstring UpperCase(const std::wstring& text) {
  std::wstring upper = text;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return upper;
}

std::wstring FileNameOf(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool FileExistsLocked(const std::wstring& path) {
  std::wstring upper = UpperCase(path);
  return Listed(DefaultFiles(), upper) || Listed(Sessions().files, upper);
}

namespace sessions {

void SetConsole(DWORD sessionId, bool userLoggedOn) {
  auto lock = Lock();
  Sessions().consoleSession = sessionId;
  Sessions().userLoggedOn = userLoggedOn;
}

DWORD ConsoleSession() {
  auto lock = Lock();
  return Sessions().consoleSession;
}

bool UserLoggedOn() {
  auto lock = Lock();
  return Sessions().userLoggedOn;
}

void AddFile(const std::wstring& path) {
  auto lock = Lock();
  Sessions().files.push_back(path);
}

bool FileExists(const std::wstring& path) {
  auto lock = Lock();
  return FileExistsLocked(path);
}

bool NamesProgram(const std::wstring& exe, const std::wstring& program) {
  if (exe.find(L'\\') != std::wstring::npos) return UpperCase(exe) == UpperCase(program);
  return UpperCase(exe) == UpperCase(FileNameOf(program));
}

}  // namespace sessions
}  // namespace sim

DWORD WINAPI WTSGetActiveConsoleSessionId() {
  // The call cannot fail; an injected fault reads as a console in transition.
  if (sim::Enter("WTSGetActiveConsoleSessionId", ERROR_SUCCESS)) {
    return sim::sessions::kNoConsoleSession;
  }
  auto lock = sim::Lock();
  return sim::Sessions().consoleSession;
}

BOOL WINAPI WTSQueryUserToken(ULONG SessionId, PHANDLE phToken) {
  if (auto error = sim::Enter("WTSQueryUserToken", ERROR_NO_TOKEN)) {
    SetLastError(*error);
    return FALSE;
  }
  if (phToken == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = sim::Lock();
  const sim::SessionState& state = sim::Sessions();
  // Session 0 has services and no user; other sessions than the console's
  // do not exist on this machine.
  bool console = SessionId == state.consoleSession && SessionId != sim::sessions::kNoConsoleSession;
  if (!console && SessionId != sim::kServiceSession) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (!console || !state.userLoggedOn) {
    SetLastError(ERROR_NO_TOKEN);
    return FALSE;
  }
  *phToken = sim::NewPrimaryToken(sim::sessions::TokenUser::ConsoleUser, SessionId);
  return TRUE;
}
