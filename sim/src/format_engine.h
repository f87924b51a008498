// The printf engine behind wsprintf and the StringCch functions: one pass over
// the format, every conversion written straight into the caller's buffer,
// without heap memory (the service formats a trace line on every step).
#pragma once

#include <cstdarg>
#include <cstddef>

namespace sim::strings {

// The two sets of format rules Windows has.
enum class FormatRules {
  // wsprintf: flags - 0 #, width and precision as digits, sizes h l ll I64,
  // no floating point, no %p; an unknown conversion character prints as
  // itself. Narrow text is widened through CP_ACP (Windows-1252).
  Wsprintf,
  // The C runtime's printf: flags - + blank # 0, * for width and precision,
  // sizes hh h l ll L w I I32 I64 j z t, floating point and %p. Narrow text
  // is widened byte for byte, as the runtime's default "C" locale does.
  Crt,
};

struct FormatResult {
  size_t stored = 0;       // characters stored, terminator not counted
  bool truncated = false;  // the text was longer than the buffer
  bool invalid = false;    // the format holds a conversion the rules reject
};

// Formats into buffer, which holds `capacity` characters including the
// terminator (capacity must be at least 1). The text is always terminated;
// text that does not fit is cut. Only wide output knows the CRT rules, as
// only the wide StringCch functions use them.
FormatResult FormatWsprintf(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args);
FormatResult FormatWsprintf(char* buffer, size_t capacity, const char* format, va_list args);
FormatResult FormatCrt(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args);

}  // namespace sim::strings
