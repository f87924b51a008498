// Control surface of the machine's sessions and started programs: the
// console session and its user, the executable files that exist, how the
// popup programs behave, and what was started, how it ended and what
// still runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/win32/base.h"

namespace sim::sessions {

// What WTSGetActiveConsoleSessionId returns while no session is attached
// to the console.
inline constexpr DWORD kNoConsoleSession = 0xFFFFFFFF;

// The console session (kNoConsoleSession: none) and whether a user is
// logged on there. A new machine has session 1 with a user logged on.
void SetConsole(DWORD sessionId, bool userLoggedOn);
DWORD ConsoleSession();
bool UserLoggedOn();

// Executable files that exist besides the defaults: the service's own
// executable and the three popups beside it, in the directory of the
// module path (they follow SetModulePath). Compared without regard to case.
void AddFile(const std::wstring& path);
bool FileExists(const std::wstring& path);

// Whose token a program was started with.
enum class TokenUser { System, ConsoleUser };
// Which environment block a program was started with.
enum class Environment { None, ConsoleUser, System, Unknown };

// One successful CreateProcessAsUserW, as the caller made it.
struct Launch {
  DWORD pid = 0;
  std::wstring program;  // the executable file that was started
  std::optional<std::wstring> applicationName;
  std::wstring commandLine;
  TokenUser user = TokenUser::System;
  DWORD session = 0;
  std::optional<std::wstring> desktop;
  Environment environment = Environment::None;
  DWORD creationFlags = 0;
  DWORD startupSize = 0;  // STARTUPINFOW.cb
  DWORD startupFlags = 0;
  WORD showWindow = 0;
  bool inheritHandles = false;
};
// Every launch since Reset, in order.
const std::vector<Launch>& Launches();

// How the next launches of a popup program behave: stay open until they are
// ended (no answer), or exit with the answer at once or after a virtual
// delay. Keyed by the executable's file name, without regard to case.
struct PopupBehaviour {
  std::optional<DWORD> answer;
  uint64_t afterMs = 0;
};
void SetPopupBehaviour(const std::wstring& exeName, const PopupBehaviour& behaviour);

// The running programs of that executable (a file name or a full path)
// exit with `code`. Records a machine problem when none runs.
void ExitPopup(const std::wstring& exe, DWORD code);
// Whether a program of that executable runs.
bool Running(const std::wstring& exe);

// A started program that has ended.
struct Ending {
  DWORD pid = 0;
  std::wstring program;
  DWORD exitCode = 0;
  bool terminated = false;  // by TerminateProcess, not by its own exit
};
// Every started program that has ended, in the order they ended.
std::vector<Ending> Endings();

// Environment blocks created and not yet destroyed.
int LiveEnvironmentBlocks();

// Whether `exe` (a file name or a full path) names `program`.
bool NamesProgram(const std::wstring& exe, const std::wstring& program);

}  // namespace sim::sessions
