// koru-svc: a small service-control client for the end-to-end suite.
#include <cstdio>
#include <cwchar>

#include "platform/win32.h"
#include "service_commands.h"

namespace {

constexpr unsigned DEFAULT_TIMEOUT_MS = 15000;

const wchar_t USAGE[] =
    L"usage: koru-svc config NAME | query NAME | start NAME [TIMEOUT_MS] |\n"
    L"                stop NAME [TIMEOUT_MS] | control NAME CODE | trace TEXT\n"
    L"  start and stop print each state the poller sees change.\n"
    L"  trace writes TEXT to the debug output (a marker for a viewer).\n";

int Usage() {
  std::fwprintf(stderr, L"%ls", USAGE);
  return 2;
}

bool ParseNumber(const wchar_t* text, unsigned& value) {
  wchar_t* end = nullptr;
  unsigned long parsed = std::wcstoul(text, &end, 0);
  if (end == text || *end != L'\0') return false;
  value = static_cast<unsigned>(parsed);
  return true;
}

int RunWithName(const wchar_t* command, const wchar_t* name, const wchar_t* extra) {
  unsigned number = DEFAULT_TIMEOUT_MS;
  if (extra != nullptr && !ParseNumber(extra, number)) return Usage();
  if (std::wcscmp(command, L"config") == 0) return PrintServiceConfig(name);
  if (std::wcscmp(command, L"query") == 0) return PrintServiceState(name);
  if (std::wcscmp(command, L"start") == 0) return StartAndWatch(name, number);
  if (std::wcscmp(command, L"stop") == 0) return StopAndWatch(name, number);
  if (std::wcscmp(command, L"control") == 0 && extra != nullptr) return SendControl(name, number);
  return Usage();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Unbuffered, so that a reader sees each state when it is printed and
  // nothing is lost if the client is ended.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc == 3 && std::wcscmp(argv[1], L"trace") == 0) {
    OutputDebugStringW(argv[2]);
    return 0;
  }
  if (argc < 3 || argc > 4) return Usage();
  return RunWithName(argv[1], argv[2], argc == 4 ? argv[3] : nullptr);
}
