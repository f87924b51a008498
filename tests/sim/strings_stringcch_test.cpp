// StringCchPrintfW's edges as the service meets them (its event message is
// cut at 79 characters), and the destinations it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
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
