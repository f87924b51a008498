// Parsing of the scenario language's value forms, and text conversions.
#include "values.h"

#include <charconv>
#include <optional>

#include "file_error.h"
#include "sim/utf8.h"

namespace koru::scn {
namespace {

bool IsDecimal(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// from_chars on the whole text, or nothing.
template <typename T>
bool ParseWhole(std::string_view text, int base, T* out) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *out, base);
  return error == std::errc() && end == text.data() + text.size();
}

std::string Show(std::string_view text) { return Quoted(text); }

int ClockField(std::string_view text, size_t at, size_t width, int limit, std::string_view whole) {
  std::string_view digits = text.substr(at, width);
  int value = 0;
  if (!IsDecimal(digits) || !ParseWhole(digits, 10, &value) || value > limit) {
    throw FileError("expected a time HH:MM:SS.mmm, got " + Show(whole));
  }
  return value;
}

}  // namespace

uint32_t ParseNumber(std::string_view text) {
  uint32_t value = 0;
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  bool ok = hex ? ParseWhole(text.substr(2), 16, &value)
                : IsDecimal(text) && ParseWhole(text, 10, &value);
  if (!ok) throw FileError("expected a number (decimal or 0x hexadecimal), got " + Show(text));
  return value;
}

uint64_t ParseDurationMs(std::string_view text) {
  uint64_t factor = 0;
  std::string_view digits;
  if (text.ends_with("ms")) {
    factor = 1;
    digits = text.substr(0, text.size() - 2);
  } else if (text.ends_with("s")) {
    factor = 1000;
    digits = text.substr(0, text.size() - 1);
  }
  uint64_t value = 0;
  if (factor == 0 || !IsDecimal(digits) || !ParseWhole(digits, 10, &value) ||
      value > UINT64_MAX / factor) {
    throw FileError("expected a duration such as 500ms or 2s, got " + Show(text));
  }
  return value * factor;
}

double ParseScalar(std::string_view text) {
  size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? "0" : text.substr(point + 1);
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (!IsDecimal(whole) || !IsDecimal(fraction) || error != std::errc() ||
      end != text.data() + text.size()) {
    throw FileError("expected a scalar such as 0.5, got " + Show(text));
  }
  return value;
}

ClockTime ParseClock(std::string_view text) {
  if (text.size() != 12 || text[2] != ':' || text[5] != ':' || text[8] != '.') {
    throw FileError("expected a time HH:MM:SS.mmm, got " + Show(text));
  }
  ClockTime time;
  time.hour = ClockField(text, 0, 2, 23, text);
  time.minute = ClockField(text, 3, 2, 59, text);
  time.second = ClockField(text, 6, 2, 59, text);
  time.millisecond = ClockField(text, 9, 3, 999, text);
  return time;
}

std::wstring Utf8ToWide(std::string_view text) {
  std::optional<std::wstring> wide = sim::FromUtf8(text);
  if (!wide) throw FileError("text is not UTF-8");
  return *wide;
}

std::string WideToUtf8(std::wstring_view text) { return sim::ToUtf8(text); }

std::string Hex(uint32_t value) {
  char digits[9];
  char* end = std::to_chars(digits, digits + sizeof digits, value, 16).ptr;
  std::string text = "0x";
  for (char* c = digits; c < end; ++c) text.push_back(*c >= 'a' ? static_cast<char>(*c - 32) : *c);
  return text;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string Quoted(std::wstring_view text) { return Quoted(WideToUtf8(text)); }

}  // namespace koru::scn
