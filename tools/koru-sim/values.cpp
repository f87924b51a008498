// Parsing of the scenario language's value forms, and text conversions.
#include "values.h"

#include <charconv>

#include "file_error.h"

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

// Appends one code point as UTF-8.
void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Length of the UTF-8 sequence that starts with `lead`, 0 when it cannot
// start one.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
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
  std::wstring wide;
  for (size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    size_t length = SequenceLength(lead);
    if (length == 0 || i + length > text.size()) throw FileError("text is not UTF-8");
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) throw FileError("text is not UTF-8");
      c = (c << 6) | (next & 0x3F);
    }
    bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      throw FileError("text is not UTF-8");
    }
    wide.push_back(static_cast<wchar_t>(c));
    i += length;
  }
  return wide;
}

std::string WideToUtf8(std::wstring_view text) {
  std::string narrow;
  for (wchar_t c : text) {
    auto code = static_cast<char32_t>(c);
    // A lone surrogate or a value beyond Unicode cannot be written as UTF-8.
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    AppendUtf8(code, &narrow);
  }
  return narrow;
}

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
