// Parsing the viewer's command line.
#include "trace_options.h"

#include <cwchar>

#include "platform/win32.h"

const wchar_t TRACE_USAGE[] =
    L"usage: koru-trace [--file PATH] [--tag TAG] [--until TEXT] [--exit-after SECONDS] "
    L"[--local]\n"
    L"  Prints every debug-output line as \"[pid] text\" until Ctrl+C or Ctrl+Break.\n"
    L"  --file PATH          also write the lines to PATH (created once the viewer listens,\n"
    L"                       flushed after each line)\n"
    L"  --tag TAG            only lines of the trace frame \"hh:mm:ss.mmm [pid] TAG ...\"\n"
    L"  --until TEXT         stop after the first line that contains TEXT (exit code 3 when\n"
    L"                       --exit-after ends the wait first)\n"
    L"  --exit-after SECONDS stop after that time\n"
    L"  --local              listen only on the session's own names, not on Global\\\n";

std::string ToAnsi(const std::wstring& text) {
  int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return {};
  std::string ansi(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), bytes, nullptr, nullptr);
  ansi.resize(static_cast<size_t>(bytes - 1));
  return ansi;
}

namespace {

bool ParseSeconds(const wchar_t* text, unsigned& seconds) {
  wchar_t* end = nullptr;
  unsigned long value = std::wcstoul(text, &end, 10);
  if (end == text || *end != L'\0' || value == 0 || value > 86400) return false;
  seconds = static_cast<unsigned>(value);
  return true;
}

// Handles one option that takes a value; returns false when `name` is
// none of them or the value is bad.
bool TakeValue(const std::wstring& name, const wchar_t* value, TraceOptions& options) {
  if (name == L"--file") {
    options.file = value;
  } else if (name == L"--tag") {
    options.tag = ToAnsi(value);
  } else if (name == L"--until") {
    options.until = ToAnsi(value);
  } else if (name == L"--exit-after") {
    return ParseSeconds(value, options.exitAfterS);
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool ParseTraceOptions(int argc, wchar_t** argv, TraceOptions& options, std::wstring& error) {
  for (int i = 1; i < argc; ++i) {
    std::wstring name = argv[i];
    if (name == L"--local") {
      options.localOnly = true;
      continue;
    }
    if (i + 1 >= argc || !TakeValue(name, argv[i + 1], options)) {
      error = L"bad argument: " + name;
      return false;
    }
    ++i;
  }
  return true;
}
