// Windows-1252 table and the UTF-8 and wide-text codecs of the machine.
#include "code_pages.h"

namespace sim::strings {
namespace {

// Bytes 0x80..0x9F; every other byte is the character of the same value.
constexpr char32_t kCp1252HighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The range the second byte of a sequence must fall in: narrower than a plain
// continuation after E0, ED, F0 and F4, which rules out overlong forms,
// surrogates and code points beyond U+10FFFF.
bool SecondByteFits(unsigned char lead, unsigned char second) {
  switch (lead) {
    case 0xE0:
      return second >= 0xA0 && second <= 0xBF;
    case 0xED:
      return second >= 0x80 && second <= 0x9F;
    case 0xF0:
      return second >= 0x90 && second <= 0xBF;
    case 0xF4:
      return second >= 0x80 && second <= 0x8F;
    default:
      return IsContinuation(second);
  }
}

// Length of the sequence a lead byte announces, 0 when it cannot lead.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

wchar_t WideFromCp1252(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return static_cast<wchar_t>(kCp1252HighControls[byte - 0x80]);
  return static_cast<wchar_t>(byte);
}

bool Cp1252FromWide(wchar_t ch, unsigned char* byte) {
  const auto value = static_cast<char32_t>(ch);
  if (value < 0x80 || (value >= 0xA0 && value <= 0xFF)) {
    *byte = static_cast<unsigned char>(value);
    return true;
  }
  for (unsigned i = 0; i < 32; ++i) {
    if (kCp1252HighControls[i] == value) {
      *byte = static_cast<unsigned char>(0x80 + i);
      return true;
    }
  }
  return false;
}

Utf8Decoded DecodeUtf8(const unsigned char* bytes, size_t available) {
  const unsigned char lead = bytes[0];
  const size_t length = SequenceLength(lead);
  if (length == 0) return {kReplacementCharacter, 1, false};
  if (length == 1) return {lead, 1, true};

  char32_t codePoint = lead & (0xFF >> (length + 1));
  for (size_t i = 1; i < length; ++i) {
    const bool fits =
        i < available && (i == 1 ? SecondByteFits(lead, bytes[i]) : IsContinuation(bytes[i]));
    if (!fits) return {kReplacementCharacter, i, false};
    codePoint = (codePoint << 6) | (bytes[i] & 0x3F);
  }
  return {codePoint, length, true};
}

WideDecoded DecodeWide(const wchar_t* text, size_t available) {
  const auto unit = static_cast<char32_t>(text[0]);
  if (unit > 0x10FFFF || IsLowSurrogate(unit)) return {kReplacementCharacter, 1, false};
  if (!IsHighSurrogate(unit)) return {unit, 1, true};
  if (available < 2 || !IsLowSurrogate(static_cast<char32_t>(text[1]))) {
    return {kReplacementCharacter, 1, false};
  }
  const auto low = static_cast<char32_t>(text[1]);
  return {0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), 2, true};
}

size_t EncodeUtf8(char32_t codePoint, unsigned char (&bytes)[4]) {
  if (codePoint < 0x80) {
    bytes[0] = static_cast<unsigned char>(codePoint);
    return 1;
  }
  if (codePoint < 0x800) {
    bytes[0] = static_cast<unsigned char>(0xC0 | (codePoint >> 6));
    bytes[1] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
    return 2;
  }
  if (codePoint < 0x10000) {
    bytes[0] = static_cast<unsigned char>(0xE0 | (codePoint >> 12));
    bytes[1] = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
    bytes[2] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
    return 3;
  }
  bytes[0] = static_cast<unsigned char>(0xF0 | (codePoint >> 18));
  bytes[1] = static_cast<unsigned char>(0x80 | ((codePoint >> 12) & 0x3F));
  bytes[2] = static_cast<unsigned char>(0x80 | ((codePoint >> 6) & 0x3F));
  bytes[3] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
  return 4;
}

}  // namespace sim::strings
