// StringCchPrintfW as the service uses it (its event message and quoted
// path): truncation and refusals; its other conversions and the other
// StringCch helpers in one test each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <string>

#include "sim/win32/strings.h"

namespace {

constexpr wchar_t kPoison = L'#';

struct Printed {
  HRESULT hr;
  std::wstring text;
};

// Formats into a poisoned buffer of `cchDest` characters.
Printed PrintInto(size_t cchDest, const wchar_t* format, ...) {
  wchar_t buffer[256];
  std::fill(std::begin(buffer), std::end(buffer), kPoison);
  va_list args;
  va_start(args, format);
  const HRESULT hr = StringCchVPrintfW(buffer, cchDest, format, args);
  va_end(args);
  return {hr, std::wstring(buffer)};
}

// Formats where the text always fits, and checks that it did.
template <typename... Args>
std::wstring Print(const wchar_t* format, Args... args) {
  const Printed printed = PrintInto(200, format, args...);
  EXPECT_EQ(S_OK, printed.hr) << "text: " << printed.text;
  return printed.text;
}

}  // namespace

TEST(StringsStringCchPrintfW, CutsAt79CharactersAndSaysSo) {
  const std::wstring name(100, L'n');
  const Printed cut = PrintInto(80, L"%s failed with %d", name.c_str(), 1066);
  EXPECT_EQ(STRSAFE_E_INSUFFICIENT_BUFFER, cut.hr);
  EXPECT_EQ(std::wstring(79, L'n'), cut.text) << "the cut text is stored and terminated";

  const std::wstring fits(79 - 15, L'f');  // " failed with 31" is 15 characters
  const Printed exact = PrintInto(80, L"%s failed with %d", fits.c_str(), 31);
  EXPECT_EQ(S_OK, exact.hr) << "79 characters and the terminator fill 80 exactly";
  EXPECT_EQ(79u, exact.text.size());

  const Printed one = PrintInto(80, L"%s failed with %d", fits.c_str(), 310);
  EXPECT_EQ(STRSAFE_E_INSUFFICIENT_BUFFER, one.hr);
  EXPECT_EQ(fits + L" failed with 31", one.text);
}

TEST(StringsStringCchPrintfW, RefusesBadDestinationSizes) {
  wchar_t buffer[4] = {kPoison, kPoison, kPoison, kPoison};
  EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER, StringCchPrintfW(buffer, 0, L"x"));
  EXPECT_EQ(kPoison, buffer[0]) << "a destination of size 0 is not touched";
  EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER,
            StringCchPrintfW(buffer, static_cast<size_t>(STRSAFE_MAX_CCH) + 1, L"x"));
  EXPECT_EQ(L'\0', buffer[0]) << "a refused destination it has room in is emptied";
  EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER, StringCchPrintfW(buffer, 4, nullptr));
}

// The conversions the service does not use, kept to the runtime's rules
// all the same.
TEST(StringsStringCchPrintfW, ConversionsFollowTheRuntimeRules) {
  EXPECT_EQ(L"wide narrow wide narrow",
            Print(L"%s %hs %ls %S", L"wide", "narrow", L"wide", "narrow"));
  EXPECT_EQ(L"(null)", Print(L"%s", static_cast<const wchar_t*>(nullptr)));
  // The runtime's default "C" locale widens byte for byte, not through 1252.
  EXPECT_EQ(L"\u00e9 \u0080", Print(L"%hs %hs", "\xE9", "\x80"));
  EXPECT_EQ(L"x\u00e9", Print(L"%c%hc", L'x', static_cast<char>(0xE9)));
  EXPECT_EQ(L"+5 -5  5", Print(L"%+d %+d % d", 5, -5, 5));
  EXPECT_EQ(L"   42|42   |42   |", Print(L"%*d|%-*d|%*d|", 5, 42, 5, 42, -5, 42));
  EXPECT_EQ(L"abc abcdef", Print(L"%.*s %.*s", 3, L"abcdef", -1, L"abcdef"));
  EXPECT_EQ(L"17 017 0", Print(L"%o %#o %#o", 15, 15, 0));
  EXPECT_EQ(L"18446744073709551615 -1 255", Print(L"%zu %lld %hhu", SIZE_MAX, -1ll, 511));
  EXPECT_EQ(L"4294967295", Print(L"%lu", -1)) << "long is 32 bits";
  EXPECT_EQ(L"00000000DEADBEEF 0000000000000000",
            Print(L"%p %p", reinterpret_cast<void*>(0xDEADBEEFu), static_cast<void*>(nullptr)));
  EXPECT_EQ(L"1.500000 3.14 -003.142", Print(L"%f %.2f %08.3f", 1.5, 3.14159, -3.14159));
  EXPECT_EQ(L"1.23e+04 1.23E+04 0.0001 1e+10",
            Print(L"%.2e %.2E %g %g", 12345.678, 12345.678, 0.0001, 1e10));
  EXPECT_EQ(L"inf -INF      inf 2.5",
            Print(L"%f %F %08f %.1Lf", INFINITY, -INFINITY, INFINITY, 2.5L));

  const Printed unknown = PrintInto(40, L"before %y after", 1);
  EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER, unknown.hr);
  EXPECT_EQ(L"", unknown.text);
  int count = 0;
  EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER, PrintInto(40, L"%n", &count).hr);
}

// The helpers the service does not use: results, cuts and refusals.
TEST(StringsStringCch, CopyCatAndLength) {
  wchar_t buffer[8];
  EXPECT_EQ(S_OK, StringCchCopyW(buffer, 8, L"seven77"));
  EXPECT_EQ(std::wstring(L"seven77"), buffer);
  EXPECT_EQ(STRSAFE_E_INSUFFICIENT_BUFFER, StringCchCopyW(buffer, 8, L"eight888"));
  EXPECT_EQ(std::wstring(L"eight88"), buffer);
  EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER, StringCchCopyW(buffer, 4, nullptr));
  EXPECT_EQ(L'\0', buffer[0]);

  wchar_t small[6] = L"ab";
  EXPECT_EQ(S_OK, StringCchCatW(small, 6, L""));
  EXPECT_EQ(STRSAFE_E_INSUFFICIENT_BUFFER, StringCchCatW(small, 6, L"cdefgh"));
  EXPECT_EQ(std::wstring(L"abcde"), small);
  wchar_t unterminated[3] = {L'a', L'b', L'c'};
  EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER, StringCchCatW(unterminated, 3, L"d"));
  EXPECT_EQ(L'c', unterminated[2]) << "the destination is left as it was";

  size_t length = 99;
  EXPECT_EQ(S_OK, StringCchLengthW(L"abc", 4, &length));
  EXPECT_EQ(3u, length);
  EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER, StringCchLengthW(L"abc", 3, &length))
      << "no terminator within cchMax";
  EXPECT_EQ(0u, length);
  EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER, StringCchLengthW(nullptr, 3, &length));
}
