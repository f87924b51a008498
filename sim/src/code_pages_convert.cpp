// MultiByteToWideChar and WideCharToMultiByte for the machine's code pages:
// CP_ACP (Windows-1252), 1252 named explicitly, and CP_UTF8.
#include <cstring>
#include <cwchar>

#include "code_pages.h"
#include "sim/win32/strings.h"

namespace {

using sim::strings::kReplacementCharacter;

enum class Charset { Windows1252, Utf8 };

bool SelectCodePage(UINT codePage, Charset* selected) {
  switch (codePage) {
    case CP_ACP:
    case 1252:
      *selected = Charset::Windows1252;
      return true;
    case CP_UTF8:
      *selected = Charset::Utf8;
      return true;
    default:
      return false;
  }
}

// The flags the machine models. Windows accepts a few more for 1252
// (MB_COMPOSITE, WC_COMPOSITECHECK, ...); the machine rejects them rather
// than pretend to apply them.
bool MultiByteFlagsValid(Charset charset, DWORD flags) {
  const DWORD allowed =
      charset == Charset::Utf8 ? MB_ERR_INVALID_CHARS : MB_ERR_INVALID_CHARS | MB_PRECOMPOSED;
  return (flags & ~allowed) == 0;
}

bool WideFlagsValid(Charset charset, DWORD flags) {
  const DWORD allowed = charset == Charset::Utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  return (flags & ~allowed) == 0;
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

bool SameBuffer(const void* a, const void* b) { return a == b; }

// Stores units while the caller's buffer has room; with no buffer (a size
// query) it only counts.
template <typename Unit>
class UnitWriter {
 public:
  UnitWriter(Unit* buffer, int capacity)
      : buffer_(capacity > 0 ? buffer : nullptr), capacity_(static_cast<size_t>(capacity)) {}

  bool Put(Unit unit) {
    if (buffer_ != nullptr) {
      if (count_ == capacity_) return false;
      buffer_[count_] = unit;
    }
    ++count_;
    return true;
  }

  int Count() const { return static_cast<int>(count_); }

 private:
  Unit* buffer_;
  size_t capacity_;
  size_t count_ = 0;
};

DWORD Decode1252(const unsigned char* bytes, size_t length, UnitWriter<wchar_t>* out) {
  for (size_t i = 0; i < length; ++i) {
    if (!out->Put(sim::strings::WideFromCp1252(bytes[i]))) return ERROR_INSUFFICIENT_BUFFER;
  }
  return ERROR_SUCCESS;
}

DWORD DecodeUtf8(const unsigned char* bytes, size_t length, DWORD flags, UnitWriter<wchar_t>* out) {
  for (size_t i = 0; i < length;) {
    const auto decoded = sim::strings::DecodeUtf8(bytes + i, length - i);
    if (!decoded.valid && (flags & MB_ERR_INVALID_CHARS) != 0) return ERROR_NO_UNICODE_TRANSLATION;
    if (!out->Put(static_cast<wchar_t>(decoded.codePoint))) return ERROR_INSUFFICIENT_BUFFER;
    i += decoded.length;
  }
  return ERROR_SUCCESS;
}

// Characters 1252 cannot hold become the default character. Windows would
// first try its best-fit table (without WC_NO_BEST_FIT_CHARS); the machine
// has none, so such characters always take the default.
DWORD Encode1252(const wchar_t* text, size_t length, char defaultChar, bool* usedDefault,
                 UnitWriter<char>* out) {
  for (size_t i = 0; i < length;) {
    const auto decoded = sim::strings::DecodeWide(text + i, length - i);
    unsigned char byte = 0;
    char stored = defaultChar;
    if (decoded.valid &&
        sim::strings::Cp1252FromWide(static_cast<wchar_t>(decoded.codePoint), &byte)) {
      stored = static_cast<char>(byte);
    } else {
      *usedDefault = true;
    }
    if (!out->Put(stored)) return ERROR_INSUFFICIENT_BUFFER;
    i += decoded.length;
  }
  return ERROR_SUCCESS;
}

DWORD EncodeUtf8(const wchar_t* text, size_t length, DWORD flags, UnitWriter<char>* out) {
  for (size_t i = 0; i < length;) {
    const auto decoded = sim::strings::DecodeWide(text + i, length - i);
    if (!decoded.valid && (flags & WC_ERR_INVALID_CHARS) != 0) return ERROR_NO_UNICODE_TRANSLATION;
    unsigned char bytes[4];
    const size_t count = sim::strings::EncodeUtf8(decoded.codePoint, bytes);
    for (size_t b = 0; b < count; ++b) {
      if (!out->Put(static_cast<char>(bytes[b]))) return ERROR_INSUFFICIENT_BUFFER;
    }
    i += decoded.length;
  }
  return ERROR_SUCCESS;
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
  Charset charset;
  if (!SelectCodePage(CodePage, &charset)) return Fail(ERROR_INVALID_PARAMETER);
  if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (cchWideChar > 0 && (lpWideCharStr == nullptr || SameBuffer(lpWideCharStr, lpMultiByteStr))) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (!MultiByteFlagsValid(charset, dwFlags)) return Fail(ERROR_INVALID_FLAGS);

  // With -1 the terminator is part of the input, so it is converted and counted.
  const size_t length =
      cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
  const auto* bytes = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
  UnitWriter<wchar_t> out(lpWideCharStr, cchWideChar);
  const DWORD error = charset == Charset::Utf8 ? DecodeUtf8(bytes, length, dwFlags, &out)
                                               : Decode1252(bytes, length, &out);
  if (error != ERROR_SUCCESS) return Fail(error);
  return out.Count();
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                               LPBOOL lpUsedDefaultChar) {
  Charset charset;
  if (!SelectCodePage(CodePage, &charset)) return Fail(ERROR_INVALID_PARAMETER);
  if (lpWideCharStr == nullptr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (cbMultiByte > 0 && (lpMultiByteStr == nullptr || SameBuffer(lpMultiByteStr, lpWideCharStr))) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  // UTF-8 can hold every character, so Windows refuses a default character for it.
  if (charset == Charset::Utf8 && (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (!WideFlagsValid(charset, dwFlags)) return Fail(ERROR_INVALID_FLAGS);

  const size_t length =
      cchWideChar == -1 ? std::wcslen(lpWideCharStr) + 1 : static_cast<size_t>(cchWideChar);
  UnitWriter<char> out(lpMultiByteStr, cbMultiByte);
  bool usedDefault = false;
  const DWORD error = charset == Charset::Utf8
                          ? EncodeUtf8(lpWideCharStr, length, dwFlags, &out)
                          : Encode1252(lpWideCharStr, length, lpDefaultChar ? *lpDefaultChar : '?',
                                       &usedDefault, &out);
  if (lpUsedDefaultChar != nullptr) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
  if (error != ERROR_SUCCESS) return Fail(error);
  return out.Count();
}
