// The viewer's command line.
#pragma once

#include <string>

struct TraceOptions {
  std::wstring file;        // --file PATH: also write each line there
  std::string tag;          // --tag TAG: only lines in the trace frame with this tag
  std::string until;        // --until TEXT: stop after a line that contains TEXT
  unsigned exitAfterS = 0;  // --exit-after SECONDS: stop then; 0 = never
  bool localOnly = false;   // --local: leave the Global\ names alone
};

// Returns false, with a message in `error`, for an unknown or incomplete
// argument.
bool ParseTraceOptions(int argc, wchar_t** argv, TraceOptions& options, std::wstring& error);

// The wide argument as the ANSI text the writers send.
std::string ToAnsi(const std::wstring& text);

extern const wchar_t TRACE_USAGE[];
