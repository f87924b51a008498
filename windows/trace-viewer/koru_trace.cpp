// koru-trace: a console viewer of debug output. It listens on the session's
// own debug-output objects and, when it may create them, on the global ones
// (the names with the "Global\" prefix), to which a service in session 0 writes.
#include <cstdio>
#include <vector>

#include "dbwin_channel.h"
#include "trace_options.h"
#include "trace_output.h"

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_UNTIL_MISSED = 3;
constexpr int EXIT_NO_CHANNEL = 4;

HANDLE stopEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD control) {
  if (control != CTRL_C_EVENT && control != CTRL_BREAK_EVENT && control != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  SetEvent(stopEvent);
  return TRUE;
}

// The session's own names are required; the Global\ ones need a privilege
// outside session 0 and are the same objects inside it, so either failure
// only narrows what is heard.
bool OpenChannels(const TraceOptions& options, std::vector<DbwinChannel>& channels) {
  std::wstring failure;
  channels.emplace_back();
  if (!channels.back().Create(L"", failure)) {
    std::fwprintf(stderr, L"koru-trace: %ls failed with %lu\n", failure.c_str(), GetLastError());
    return false;
  }
  if (channels.back().Existed()) {
    std::fwprintf(stderr, L"koru-trace: another debug-output viewer is running\n");
    return false;
  }
  if (options.localOnly) return true;
  DbwinChannel global;
  if (!global.Create(L"Global\\", failure)) {
    std::fwprintf(stderr, L"koru-trace: not listening on Global\\ names: %ls failed with %lu\n",
                  failure.c_str(), GetLastError());
  } else if (global.Existed()) {
    std::fwprintf(stderr,
                  L"koru-trace: the Global\\ names are in use already (by another viewer, "
                  L"or they are the session's own names, as in session 0)\n");
  } else {
    channels.push_back(std::move(global));
  }
  return true;
}

DWORD WaitTime(ULONGLONG deadline) {
  if (deadline == 0) return INFINITE;
  ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

// Prints lines until a stop, the deadline or the --until line. Returns the
// exit code.
int Listen(const TraceOptions& options, const std::vector<DbwinChannel>& channels,
           TraceOutput& output) {
  std::vector<HANDLE> waits{stopEvent};
  for (const DbwinChannel& channel : channels) {
    waits.push_back(channel.DataReady());
    channel.Release();
  }
  ULONGLONG deadline = options.exitAfterS ? GetTickCount64() + options.exitAfterS * 1000ull : 0;
  for (;;) {
    DWORD woken = WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE,
                                         WaitTime(deadline));
    if (woken == WAIT_TIMEOUT) return options.until.empty() ? EXIT_OK : EXIT_UNTIL_MISSED;
    if (woken == WAIT_OBJECT_0) return EXIT_OK;
    if (woken >= WAIT_OBJECT_0 + waits.size()) {
      std::fwprintf(stderr, L"koru-trace: WaitForMultipleObjects failed with %lu\n",
                    GetLastError());
      return EXIT_NO_CHANNEL;
    }
    DebugLine line = channels[woken - WAIT_OBJECT_0 - 1].Take();
    output.Print(line, options.tag);
    if (!options.until.empty() && line.text.find(options.until) != std::string::npos) {
      return EXIT_OK;
    }
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  TraceOptions options;
  std::wstring error;
  if (!ParseTraceOptions(argc, argv, options, error)) {
    std::fwprintf(stderr, L"koru-trace: %ls\n%ls", error.c_str(), TRACE_USAGE);
    return EXIT_USAGE;
  }
  UniqueKernelHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  stopEvent = stop.get();
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);

  std::vector<DbwinChannel> channels;
  if (!OpenChannels(options, channels)) return EXIT_NO_CHANNEL;
  TraceOutput output;
  // The file appears only once the viewer listens, so that a script can
  // wait for it before it starts the writers.
  if (!options.file.empty() && !output.OpenFile(options.file)) {
    std::fwprintf(stderr, L"koru-trace: cannot write %ls\n", options.file.c_str());
    return EXIT_USAGE;
  }
  std::fwprintf(stderr, L"koru-trace: listening on %zu set(s) of debug-output names\n",
                channels.size());
  std::fflush(stderr);
  int code = Listen(options, channels, output);
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  return code;
}
