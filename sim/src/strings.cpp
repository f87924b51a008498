// wsprintfW, wsprintfA and their va_list forms: the format engine under the
// wsprintf rules, with the 1024-character limit of user32's output.
#include <cstdarg>

#include "format_engine.h"
#include "sim/win32/strings.h"

namespace {

// wsprintf writes at most 1024 characters, the terminator included, whatever
// the size of the caller's buffer.
constexpr size_t kWsprintfLimit = 1024;

// Windows would fault on a null buffer or format; the machine stores
// nothing (buffer) or formats an empty text (format) instead.
template <typename Char>
int FormatLimited(Char* buffer, const Char* format, va_list args) {
  if (buffer == nullptr) return 0;
  static constexpr Char kEmpty[] = {0};
  const auto result =
      sim::strings::FormatWsprintf(buffer, kWsprintfLimit, format ? format : kEmpty, args);
  return static_cast<int>(result.stored);
}

}  // namespace

int WINAPI wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list arglist) {
  return FormatLimited(buffer, format, arglist);
}

int WINAPIV wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  const int stored = FormatLimited(buffer, format, args);
  va_end(args);
  return stored;
}

int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list arglist) {
  return FormatLimited(buffer, format, arglist);
}

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  va_list args;
  va_start(args, format);
  const int stored = FormatLimited(buffer, format, args);
  va_end(args);
  return stored;
}
