// The state behind the machine's sessions, tokens, environment blocks and
// started programs, shared by the files that implement them. Guarded by the
// machine lock.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "process.h"
#include "sim/sessions.h"
#include "threads.h"

namespace sim {

inline constexpr DWORD kServiceSession = 0;

// A program started by CreateProcessAsUserW: a process without threads of
// its own, and the object behind its primary thread's handle.
struct StartedProgram {
  std::shared_ptr<Process> process;
  std::shared_ptr<ThreadObject> primary;
  sessions::TokenUser user = sessions::TokenUser::System;
  DWORD session = 0;
};

struct EnvironmentBlock {
  std::vector<wchar_t> text;  // NAME=VALUE strings, each terminated, then one more terminator
  sessions::Environment owner = sessions::Environment::System;
};

struct SessionState {
  DWORD consoleSession = 1;
  bool userLoggedOn = true;
  std::vector<std::wstring> files;
  std::vector<sessions::Launch> launches;
  std::vector<StartedProgram> started;
  std::vector<sessions::Ending> endings;
  std::map<std::wstring, sessions::PopupBehaviour> behaviours;  // by upper-case file name
  std::map<const void*, std::unique_ptr<EnvironmentBlock>> environments;
};

SessionState& Sessions();

// File names and paths compare without regard to case, as on Windows.
std::wstring UpperCase(const std::wstring& text);
// The part after the last backslash.
std::wstring FileNameOf(const std::wstring& path);
// Whether the machine has that executable file.
bool FileExistsLocked(const std::wstring& path);

}  // namespace sim
