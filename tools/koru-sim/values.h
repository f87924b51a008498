// The value forms of the scenario language: numbers, durations, scalars,
// clock times, and the UTF-8 text of the file as the machine's wide strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace koru::scn {

// Decimal or 0x hexadecimal, 0..0xFFFFFFFF. Throws FileError.
uint32_t ParseNumber(std::string_view text);
// A decimal number followed by "ms" or "s", in milliseconds. Throws FileError.
uint64_t ParseDurationMs(std::string_view text);
// A decimal scalar such as 0.5 or 1. Throws FileError.
double ParseScalar(std::string_view text);

struct ClockTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};
// "HH:MM:SS.mmm" on a 24-hour clock. Throws FileError.
ClockTime ParseClock(std::string_view text);

// Throws FileError on a byte sequence that is not UTF-8.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// "0x" and upper-case hexadecimal digits, as Windows writes codes.
std::string Hex(uint32_t value);

// A text in double quotes with \" and \\ escaped, as a scenario writes it.
std::string Quoted(std::string_view text);
std::string Quoted(std::wstring_view text);

}  // namespace koru::scn
