// The popup launcher: the popup's path beside the service's executable,
// the console user's token and environment, the process, and the hand-over
// to the kind's watcher.
#include "launcher/launch_popup.h"

#include <string>

#include "diagnostics/trace.h"
#include "launcher/popup_exe_names.h"
#include "launcher/popup_slots.h"
#include "platform/unique_handle.h"
#include "platform/win32.h"
#include "service/shared_objects.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"

namespace {

constexpr DWORD NO_CONSOLE_SESSION = 0xFFFFFFFF;
// A console of its own, normal priority, a wide-character environment.
constexpr DWORD POPUP_CREATION_FLAGS =
    CREATE_UNICODE_ENVIRONMENT | NORMAL_PRIORITY_CLASS | CREATE_NEW_CONSOLE;
// The feature flag that switches each kind on.
constexpr DWORD POPUP_FLAGS[POPUP_KIND_COUNT] = {VolumeLimitPopupWindow, SwitchPopupWindow,
                                                 ChimeWindowUsed};

bool KindEnabled(int kind) {
  return kind >= 0 && kind < POPUP_KIND_COUNT && IsFeatureOn(POPUP_FLAGS[kind]);
}

// The directory of the service's executable (cut before its last
// backslash), a backslash and the popup's file name.
std::wstring PopupPath(int kind) {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path(module);
  size_t slash = path.rfind(L'\\');
  path.resize(slash == std::wstring::npos ? 0 : slash);
  return path + L'\\' + popupExeNames->name(kind);
}

// The path in quotation marks: unquoted, a blank in the service's directory
// would let Windows start C:\Program.exe (or C:\Program Files\Koru.exe)
// first. The switch window's argument follows the quotes: " 1" when the
// service carries out the switch the window asks for, " 0" when not.
std::wstring CommandLine(int kind, const std::wstring& path) {
  std::wstring line = L"\"" + path + L"\"";
  if (kind == SWITCH_WINDOW) line += IsFeatureOn(KoruAudioServiceSwitchUsed) ? L" 1" : L" 0";
  return line;
}

// The user's own environment; without it the popup inherits the service's.
UniqueEnvironmentBlock UserEnvironment(HANDLE userToken) {
  UniqueEnvironmentBlock environment;
  if (!CreateEnvironmentBlock(environment.put(), userToken, FALSE)) {
    DWORD error = GetLastError();
    WriteTrace(L"CreateEnvironmentBlock ERROR %d", static_cast<int>(error));
  }
  return environment;
}

void TraceLaunchFailure(int kind, const PROCESS_INFORMATION& launched) {
  DWORD error = GetLastError();
  WriteTrace(L"CreateProcessAsUser ERROR %d", static_cast<int>(error));
  if (launched.hProcess == INVALID_HANDLE_VALUE) {
    WriteTrace(L"INVALID_HANDLE_VALUE of pi[%s].hProcess", popupExeNames->name(kind));
  }
}

// Starts the popup hidden on the interactive desktop; on success the slot
// takes its handles before the watcher is woken, so that the watcher finds
// the launch it was woken for.
int StartPopup(int kind, const std::wstring& path, HANDLE primaryToken, LPVOID environment) {
  wchar_t desktop[] = L"WinSta0\\Default";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.lpDesktop = desktop;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION launched = {};
  // CreateProcessAsUserW may write into the command line.
  std::wstring commandLine = CommandLine(kind, path);
  if (!CreateProcessAsUserW(primaryToken, nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                            POPUP_CREATION_FLAGS, environment, nullptr, &startup, &launched)) {
    TraceLaunchFailure(kind, launched);
    return 0;
  }
  popupSlots[kind]->Publish(launched);
  WakeUp(*hPopupSemaphore[kind]);
  return 1;
}

}  // namespace

int LaunchPopup(int kind) {
  if (!KindEnabled(kind)) return 1;
  DWORD session = WTSGetActiveConsoleSessionId();
  if (session == NO_CONSOLE_SESSION) return 0;
  std::wstring path = PopupPath(kind);
  WriteTrace(L"%s", path.c_str());
  // The popup runs as the user who sits at the console, never as
  // LocalSystem on the user's desktop.
  UniqueKernelHandle userToken;
  if (!WTSQueryUserToken(session, userToken.put())) {
    DWORD error = GetLastError();
    WriteTrace(L"No user logged on at the console, WTSQueryUserToken ERROR %d",
               static_cast<int>(error));
    return 1;
  }
  UniqueKernelHandle primaryToken;
  if (!DuplicateTokenEx(userToken.get(), TOKEN_ALL_ACCESS, nullptr, SecurityIdentification,
                        TokenPrimary, primaryToken.put())) {
    return 1;
  }
  UniqueEnvironmentBlock environment = UserEnvironment(userToken.get());
  return StartPopup(kind, path, primaryToken.get(), environment.get());
}
