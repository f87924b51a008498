// Text conversions of the simulated registry.
#include "registry_unicode.h"

#include <climits>

#include "sim/win32/strings.h"

namespace sim::reg {

std::vector<uint8_t> ToUtf16Bytes(std::wstring_view text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  auto unit = [&bytes](uint32_t u) {
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<uint8_t>((u >> 8) & 0xFF));
  };
  for (wchar_t wc : text) {
    auto c = static_cast<uint32_t>(wc);
    if (c < 0x10000) {
      unit(c);
    } else {
      c -= 0x10000;
      unit(0xD800 | (c >> 10));
      unit(0xDC00 | (c & 0x3FF));
    }
  }
  return bytes;
}

std::wstring FromUtf16Bytes(const std::vector<uint8_t>& bytes) {
  std::wstring text;
  size_t units = bytes.size() / 2;
  auto unitAt = [&bytes](size_t i) -> char32_t {
    return static_cast<char32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  };
  for (size_t i = 0; i < units; ++i) {
    char32_t c = unitAt(i);
    bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i + 1 < units && unitAt(i + 1) >= 0xDC00 && unitAt(i + 1) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00);
      ++i;
    }
    text.push_back(static_cast<wchar_t>(c));
  }
  return text;
}

std::wstring AnsiToWide(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  int bytes = static_cast<int>(text.size());
  int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, wide.data(), needed);
  return wide;
}

std::string WideToAnsi(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  int chars = static_cast<int>(text.size());
  int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), chars, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string narrow(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), chars, narrow.data(), needed, nullptr, nullptr);
  return narrow;
}

}  // namespace sim::reg
