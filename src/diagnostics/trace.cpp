// Building and emitting trace lines in fixed buffers on the caller's stack,
// so that tracing works from every thread without locks or heap.
#include "diagnostics/trace.h"

#include <cstdarg>

#include "platform/win32.h"
#include "service/service_name.h"

namespace {

// The message enters the line through "%s", so a "%" inside it is printed
// as it stands. wsprintfW cuts the line at 1023 characters, which then
// lacks its line feed.
void EmitTraceLine(const wchar_t* message) {
  SYSTEMTIME time;
  GetLocalTime(&time);
  DWORD pid = GetCurrentProcessId();
  wchar_t line[TRACE_LINE_CHARS];
  wsprintfW(line, L"%02d:%02d:%02d.%03d [%d] %s %s\n", time.wHour, time.wMinute, time.wSecond,
            time.wMilliseconds, pid, SERVICE_NAME, message);
  OutputDebugStringW(line);
}

}  // namespace

void WriteTrace(const wchar_t* format, ...) {
  wchar_t message[TRACE_MESSAGE_CHARS];
  va_list args;
  va_start(args, format);
  wvsprintfW(message, format, args);
  va_end(args);
  EmitTraceLine(message);
}

void WriteTraceA(const char* format, ...) {
  char narrow[TRACE_MESSAGE_CHARS];
  va_list args;
  va_start(args, format);
  wvsprintfA(narrow, format, args);
  va_end(args);

  // The ANSI code page maps each byte to at most one wide character, so the
  // wide buffer of the same length always holds the text.
  wchar_t wide[TRACE_MESSAGE_CHARS];
  if (MultiByteToWideChar(CP_ACP, 0, narrow, -1, wide, TRACE_MESSAGE_CHARS) == 0) wide[0] = L'\0';
  // Text, not a format: a "%" that came in through an argument stays as it is.
  EmitTraceLine(wide);
}
