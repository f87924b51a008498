// String comparison and length: lstrcmpiW and lstrcmpW (Windows' word order
// for case), lstrlenW, and SHLWAPI's ordinal StrCmpCW.
#include <utility>

#include "sim/win32/strings.h"

namespace {

// Lower-case partner of the letters the machine folds: ASCII, Latin-1 and
// the Windows-1252 letters beyond it (Š Œ Ž Ÿ).
char32_t FoldCase(char32_t ch) {
  if (ch >= U'A' && ch <= U'Z') return ch + 32;
  if (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7) return ch + 32;
  switch (ch) {
    case 0x0152:
    case 0x0160:
    case 0x017D:
      return ch + 1;
    case 0x0178:
      return 0xFF;
    default:
      return ch;
  }
}

int Order(char32_t a, char32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

// NULL sorts before every string; two NULLs are equal.
bool EitherNull(LPCWSTR a, LPCWSTR b, int* order) {
  if (a != nullptr && b != nullptr) return false;
  *order = a == b ? 0 : (a == nullptr ? -1 : 1);
  return true;
}

int CompareFolded(LPCWSTR a, LPCWSTR b) {
  for (;; ++a, ++b) {
    const int order =
        Order(FoldCase(static_cast<char32_t>(*a)), FoldCase(static_cast<char32_t>(*b)));
    if (order != 0 || *a == L'\0') return order;
  }
}

// The UTF-16 code units Windows would hold for a machine string, whose
// wchar_t carries a whole code point: a character beyond the BMP becomes
// its surrogate pair.
class Utf16Units {
 public:
  explicit Utf16Units(LPCWSTR text) : text_(text) {}

  char32_t Next() {
    if (pendingLow_ != 0) return std::exchange(pendingLow_, 0);
    const auto ch = static_cast<char32_t>(*text_);
    if (ch != 0) ++text_;
    if (ch < 0x10000 || ch > 0x10FFFF) return ch;
    pendingLow_ = 0xDC00 + ((ch - 0x10000) & 0x3FF);
    return 0xD800 + ((ch - 0x10000) >> 10);
  }

 private:
  LPCWSTR text_;
  char32_t pendingLow_ = 0;
};

}  // namespace

int WINAPI lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2) {
  int order = 0;
  if (EitherNull(lpString1, lpString2, &order)) return order;
  return CompareFolded(lpString1, lpString2);
}

// Windows compares linguistically: letters first without regard to case,
// and only strings otherwise equal are ordered by case, a lower-case letter
// before its upper-case partner ("a" < "A" < "b"). Other characters compare
// by their code.
int WINAPI lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2) {
  int order = 0;
  if (EitherNull(lpString1, lpString2, &order)) return order;
  order = CompareFolded(lpString1, lpString2);
  if (order != 0) return order;
  for (; *lpString1 != L'\0'; ++lpString1, ++lpString2) {
    if (*lpString1 == *lpString2) continue;
    const auto ch = static_cast<char32_t>(*lpString1);
    return FoldCase(ch) == ch ? -1 : 1;
  }
  return 0;
}

int WINAPI lstrlenW(LPCWSTR lpString) {
  if (lpString == nullptr) return 0;
  int length = 0;
  while (lpString[length] != L'\0') ++length;
  return length;
}

// Exact comparison of UTF-16 code units, so a character beyond the BMP
// (a surrogate pair) sorts before U+E000..U+FFFF as it does on Windows.
int WINAPI StrCmpCW(LPCWSTR pszStr1, LPCWSTR pszStr2) {
  int order = 0;
  if (EitherNull(pszStr1, pszStr2, &order)) return order;
  Utf16Units a(pszStr1);
  Utf16Units b(pszStr2);
  for (;;) {
    const char32_t unitA = a.Next();
    const char32_t unitB = b.Next();
    order = Order(unitA, unitB);
    if (order != 0 || unitA == 0) return order;
  }
}
