// The wide StringCch functions: bounded copy, concatenation, length and
// printf with the results and truncation rules of strsafe.
#include <cstdarg>

#include "format_engine.h"
#include "sim/win32/strings.h"

namespace {

bool DestinationValid(STRSAFE_LPWSTR dest, size_t cchDest) {
  return dest != nullptr && cchDest != 0 && cchDest <= STRSAFE_MAX_CCH;
}

// strsafe empties a destination it was given room in when the call is
// refused.
HRESULT RefuseAndEmpty(STRSAFE_LPWSTR dest, size_t cchDest) {
  if (dest != nullptr && cchDest != 0) *dest = L'\0';
  return STRSAFE_E_INVALID_PARAMETER;
}

// Length of a string that must be terminated within `cchMax` characters.
bool BoundedLength(STRSAFE_LPCWSTR text, size_t cchMax, size_t* length) {
  size_t count = 0;
  while (count < cchMax && text[count] != L'\0') ++count;
  *length = count;
  return count < cchMax;
}

// Copies into room for `cchDest` characters (terminator included); whatever
// does not fit is cut, and the copy is terminated either way.
HRESULT CopyBounded(STRSAFE_LPWSTR dest, size_t cchDest, STRSAFE_LPCWSTR src) {
  size_t copied = 0;
  for (; copied + 1 < cchDest && src[copied] != L'\0'; ++copied) dest[copied] = src[copied];
  dest[copied] = L'\0';
  return src[copied] == L'\0' ? S_OK : STRSAFE_E_INSUFFICIENT_BUFFER;
}

}  // namespace

HRESULT StringCchVPrintfW(STRSAFE_LPWSTR pszDest, size_t cchDest, STRSAFE_LPCWSTR pszFormat,
                          va_list argList) {
  if (!DestinationValid(pszDest, cchDest) || pszFormat == nullptr) {
    return RefuseAndEmpty(pszDest, cchDest);
  }
  const auto result = sim::strings::FormatCrt(pszDest, cchDest, pszFormat, argList);
  // The Windows CRT hands a format it rejects to its invalid-parameter
  // handler, which ends the process by default; the machine reports it.
  if (result.invalid) return RefuseAndEmpty(pszDest, cchDest);
  return result.truncated ? STRSAFE_E_INSUFFICIENT_BUFFER : S_OK;
}

HRESULT StringCchPrintfW(STRSAFE_LPWSTR pszDest, size_t cchDest, STRSAFE_LPCWSTR pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  const HRESULT hr = StringCchVPrintfW(pszDest, cchDest, pszFormat, args);
  va_end(args);
  return hr;
}

HRESULT StringCchCopyW(STRSAFE_LPWSTR pszDest, size_t cchDest, STRSAFE_LPCWSTR pszSrc) {
  if (!DestinationValid(pszDest, cchDest) || pszSrc == nullptr) {
    return RefuseAndEmpty(pszDest, cchDest);
  }
  return CopyBounded(pszDest, cchDest, pszSrc);
}

// The destination must already hold a string terminated within cchDest; it
// is left as it is when it does not.
HRESULT StringCchCatW(STRSAFE_LPWSTR pszDest, size_t cchDest, STRSAFE_LPCWSTR pszSrc) {
  size_t length = 0;
  if (!DestinationValid(pszDest, cchDest) || pszSrc == nullptr ||
      !BoundedLength(pszDest, cchDest, &length)) {
    return STRSAFE_E_INVALID_PARAMETER;
  }
  return CopyBounded(pszDest + length, cchDest - length, pszSrc);
}

HRESULT StringCchLengthW(STRSAFE_LPCWSTR psz, size_t cchMax, size_t* pcchLength) {
  size_t length = 0;
  const bool valid =
      psz != nullptr && cchMax <= STRSAFE_MAX_CCH && BoundedLength(psz, cchMax, &length);
  if (pcchLength != nullptr) *pcchLength = valid ? length : 0;
  return valid ? S_OK : STRSAFE_E_INVALID_PARAMETER;
}
