// Windows-1252 and UTF-8 one character at a time: the tables and codecs under
// the machine's code-page conversions and the narrow/wide text of the format
// engine.
#pragma once

#include <cstddef>

namespace sim::strings {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The character of a Windows-1252 byte. The five bytes the code page leaves
// undefined (0x81 0x8D 0x8F 0x90 0x9D) become the C1 controls of the same
// value, as Windows maps them.
wchar_t WideFromCp1252(unsigned char byte);

// The Windows-1252 byte of a character; false when the code page has none.
bool Cp1252FromWide(wchar_t ch, unsigned char* byte);

// One step of UTF-8 decoding. An ill-formed sequence yields one replacement
// character for its longest valid-looking start (at least one byte), as
// Unicode recommends and Windows does.
struct Utf8Decoded {
  char32_t codePoint = 0;
  size_t length = 0;
  bool valid = false;
};
Utf8Decoded DecodeUtf8(const unsigned char* bytes, size_t available);

// One step of reading the machine's wide text as code points: a surrogate
// pair is joined; a lone surrogate or a value beyond U+10FFFF is invalid.
struct WideDecoded {
  char32_t codePoint = 0;
  size_t length = 0;
  bool valid = false;
};
WideDecoded DecodeWide(const wchar_t* text, size_t available);

// The UTF-8 bytes of a valid code point; returns how many (1 to 4).
size_t EncodeUtf8(char32_t codePoint, unsigned char (&bytes)[4]);

}  // namespace sim::strings
