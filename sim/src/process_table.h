// The machine's table of processes, shared by the files that keep process
// records (process.cpp), run the service program (program.cpp) and
// implement the Win32 process functions (process_api.cpp). Lock held.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "process.h"

namespace sim {

inline constexpr DWORD kFirstProcessId = 1000;
inline constexpr wchar_t kDefaultModulePath[] =
    L"C:\\Program Files\\Koru Audio\\KoruAudioService.exe";

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

Processes& P();

}  // namespace sim
