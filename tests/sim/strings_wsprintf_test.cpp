// wsprintfW and wsprintfA: each conversion, flag and size prefix, narrow and
// wide text in both families, unknown conversions and the 1024 limit (the
// trace line's frame is a scenario step).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <string>

#include "sim/win32/strings.h"

namespace {

constexpr size_t kBufferSize = 1100;  // beyond wsprintf's 1024, to see that it stops there
constexpr wchar_t kWidePoison = L'#';
constexpr char kNarrowPoison = '#';

struct WideResult {
  int stored;
  std::wstring text;
  wchar_t after[2];  // the two characters behind the 1024 limit
};

WideResult FormatW(const wchar_t* format, ...) {
  wchar_t buffer[kBufferSize];
  std::fill(std::begin(buffer), std::end(buffer), kWidePoison);
  va_list args;
  va_start(args, format);
  const int stored = wvsprintfW(buffer, format, args);
  va_end(args);
  return {stored, std::wstring(buffer), {buffer[1024], buffer[1025]}};
}

struct NarrowResult {
  int stored;
  std::string text;
  char after;
};

NarrowResult FormatA(const char* format, ...) {
  char buffer[kBufferSize];
  std::fill(std::begin(buffer), std::end(buffer), kNarrowPoison);
  va_list args;
  va_start(args, format);
  const int stored = wvsprintfA(buffer, format, args);
  va_end(args);
  return {stored, std::string(buffer), buffer[1024]};
}

// The text a call produced, checking on the way that the count matches it.
std::wstring W(const WideResult& result) {
  EXPECT_EQ(static_cast<int>(result.text.size()), result.stored) << "text: " << result.text;
  return result.text;
}

std::string A(const NarrowResult& result) {
  EXPECT_EQ(static_cast<int>(result.text.size()), result.stored) << "text: " << result.text;
  return result.text;
}

}  // namespace

TEST(StringsWsprintfW, IntegersWithFlagsAndWindowsSizePrefixes) {
  EXPECT_EQ(L"-42", W(FormatW(L"%d", -42)));
  EXPECT_EQ(L"17", W(FormatW(L"%i", 17)));
  EXPECT_EQ(L"4294967295", W(FormatW(L"%u", -1)));
  EXPECT_EQ(L"beef", W(FormatW(L"%x", 0xBEEF)));
  EXPECT_EQ(L"BEEF", W(FormatW(L"%X", 0xBEEF)));
  EXPECT_EQ(L"ffffffff", W(FormatW(L"%x", -1)));
  EXPECT_EQ(L"-2147483648", W(FormatW(L"%d", INT32_MIN)));

  EXPECT_EQ(L"   42", W(FormatW(L"%5d", 42)));
  EXPECT_EQ(L"42   |", W(FormatW(L"%-5d|", 42)));
  EXPECT_EQ(L"-0042", W(FormatW(L"%05d", -42)));
  EXPECT_EQ(L"007", W(FormatW(L"%.3d", 7)));
  EXPECT_EQ(L"  007", W(FormatW(L"%05.3d", 7))) << "a precision turns the 0 flag off";
  EXPECT_EQ(L"0xff", W(FormatW(L"%#x", 255)));
  EXPECT_EQ(L"0X00FF", W(FormatW(L"%#06X", 255)));
  EXPECT_EQ(L"0", W(FormatW(L"%#x", 0)));
  EXPECT_EQ(L"42", W(FormatW(L"%1d", 42))) << "a width smaller than the text";

  const LONG negative = -5;
  const DWORD large = 4000000000u;
  EXPECT_EQ(L"-5", W(FormatW(L"%ld", negative)));
  EXPECT_EQ(L"4000000000", W(FormatW(L"%lu", large)));
  EXPECT_EQ(L"ee6b2800", W(FormatW(L"%lx", large)));
  EXPECT_EQ(L"4464", W(FormatW(L"%hd", 70000))) << "h cuts to 16 bits";
  EXPECT_EQ(L"65535", W(FormatW(L"%hu", -1)));
  EXPECT_EQ(L"-9223372036854775808", W(FormatW(L"%I64d", INT64_MIN)));
  EXPECT_EQ(L"18446744073709551615", W(FormatW(L"%I64u", UINT64_MAX)));
  EXPECT_EQ(L"123456789ABCDEF", W(FormatW(L"%I64X", 0x123456789ABCDEFull)));
  EXPECT_EQ(L"-1099511627776", W(FormatW(L"%lld", -(1ll << 40))));
  EXPECT_EQ(L"1099511627776 7", W(FormatW(L"%llu %d", 1ull << 40, 7))) << "the next argument";
}

TEST(StringsWsprintfW, StringsAndCharactersWithNarrowTextThrough1252) {
  EXPECT_EQ(L"[wide]", W(FormatW(L"[%s]", L"wide")));
  EXPECT_EQ(L"[wide]", W(FormatW(L"[%ls]", L"wide")));
  EXPECT_EQ(L"[narrow]", W(FormatW(L"[%hs]", "narrow")));
  EXPECT_EQ(L"[narrow]", W(FormatW(L"[%S]", "narrow")));
  EXPECT_EQ(L"[wide]", W(FormatW(L"[%lS]", L"wide"))) << "l wins over the capital";

  EXPECT_EQ(L"\u00e9t\u00e9", W(FormatW(L"%hs", "\xE9t\xE9")));
  EXPECT_EQ(L"\u20ac \u0160 \u0178", W(FormatW(L"%S", "\x80 \x8A \x9F")));
  EXPECT_EQ(L"\u00e9", W(FormatW(L"%hc", static_cast<char>(0xE9))));
  EXPECT_EQ(L"\u20ac", W(FormatW(L"%C", static_cast<char>(0x80))));

  EXPECT_EQ(L"x", W(FormatW(L"%c", L'x')));
  EXPECT_EQ(L"\u03a9", W(FormatW(L"%lc", L'\u03a9')));
  EXPECT_EQ(L"  x|x  ", W(FormatW(L"%3c|%-3c", L'x', L'x')));

  EXPECT_EQ(L"abc", W(FormatW(L"%.3s", L"abcdef")));
  EXPECT_EQ(L"  abc", W(FormatW(L"%5.3s", L"abcdef")));
  EXPECT_EQ(L"ab    |", W(FormatW(L"%-6s|", L"ab")));
  EXPECT_EQ(L"    ab", W(FormatW(L"%6s", L"ab")));
  EXPECT_EQ(L"", W(FormatW(L"%.0s", L"abc")));
  // A precision bounds the read: the text need not be terminated within it.
  const wchar_t unterminated[3] = {L'x', L'y', L'z'};
  EXPECT_EQ(L"xyz", W(FormatW(L"%.3s", unterminated)));

  EXPECT_EQ(L"(null)", W(FormatW(L"%s", static_cast<const wchar_t*>(nullptr))));
  EXPECT_EQ(L"(null)", W(FormatW(L"%hs", static_cast<const char*>(nullptr))));
  EXPECT_EQ(L"(n", W(FormatW(L"%.2s", static_cast<const wchar_t*>(nullptr))));
}

TEST(StringsWsprintfW, UnknownConversionsPrintThemselvesAndTakeNoArgument) {
  EXPECT_EQ(L"f 7", W(FormatW(L"%f %d", 7)));
  EXPECT_EQ(L"p", W(FormatW(L"%p")));
  EXPECT_EQ(L"*d 5", W(FormatW(L"%*d %d", 5))) << "wsprintf has no * width";
  EXPECT_EQ(L"+d", W(FormatW(L"%+d")));
  EXPECT_EQ(L"wsx", W(FormatW(L"%wsx")));
  EXPECT_EQ(L"100%", W(FormatW(L"100%%")));
  EXPECT_EQ(L"abc", W(FormatW(L"abc%"))) << "a format that ends inside a directive";

  EXPECT_EQ(L"100%d %s", W(FormatW(L"%s", L"100%d %s")));
  EXPECT_EQ(L"Device name: 50%", W(FormatW(L"Device name: %hs", "50%")));
}

TEST(StringsWsprintfW, OutputStopsAt1023CharactersAndATerminator) {
  const std::wstring longText(2000, L'a');
  const WideResult cut = FormatW(L"%s", longText.c_str());
  EXPECT_EQ(1023, cut.stored);
  EXPECT_EQ(std::wstring(1023, L'a'), cut.text);
  EXPECT_EQ(kWidePoison, cut.after[0]) << "nothing is written behind the terminator";

  const std::wstring exact(1023, L'b');
  EXPECT_EQ(exact, W(FormatW(L"%s", exact.c_str())));

  const WideResult prefixed = FormatW(L"[%s]", exact.c_str());
  EXPECT_EQ(1023, prefixed.stored);
  EXPECT_EQ(L'b', prefixed.text.back()) << "the closing bracket is cut";

  const WideResult padded = FormatW(L"%2000d", 1);
  EXPECT_EQ(std::wstring(1023, L' '), padded.text);
}

TEST(StringsWsprintfA, PlainSIsNarrowWideTextGoesThrough1252) {
  EXPECT_EQ("[narrow]", A(FormatA("[%s]", "narrow")));
  EXPECT_EQ("[narrow]", A(FormatA("[%hs]", "narrow")));
  EXPECT_EQ("[wide]", A(FormatA("[%S]", L"wide")));
  EXPECT_EQ("[wide]", A(FormatA("[%ls]", L"wide")));
  EXPECT_EQ("Set PropertyKey to 0 : HEADPHONE",
            A(FormatA("Set PropertyKey to %d : %ls", 0, L"HEADPHONE")));
  EXPECT_EQ("Fail to create registryKey on SOFTWARE\\Koru, status is 5",
            A(FormatA("Fail to create registryKey on %hs, status is %d", "SOFTWARE\\Koru", 5)));

  EXPECT_EQ("\x80uro \xE9t\xE9", A(FormatA("%ls", L"\u20acuro \u00e9t\u00e9")));
  EXPECT_EQ("?-?", A(FormatA("%S", L"\u03a9-\U0001F3A7"))) << "characters 1252 cannot hold";
  EXPECT_EQ("\xE9", A(FormatA("%C", L'\u00e9')));
  EXPECT_EQ("\xE9", A(FormatA("%lc", L'\u00e9')));
  EXPECT_EQ("x", A(FormatA("%c", 'x')));

  EXPECT_EQ("EndpointChange: type: 1, volumeScalar: 30, muteState: 0",
            A(FormatA("EndpointChange: type: %d, volumeScalar: %d, muteState: %d", 1, 30, 0)));
  EXPECT_EQ("-0042 0x1f", A(FormatA("%05d %#x", -42, 31)));
  EXPECT_EQ("(null)", A(FormatA("%s", static_cast<const char*>(nullptr))));
  EXPECT_EQ("(null)", A(FormatA("%ls", static_cast<const wchar_t*>(nullptr))));
  EXPECT_EQ("f", A(FormatA("%f")));
}

TEST(StringsWsprintfA, OutputStopsAt1023Bytes) {
  const std::string longText(2000, 'z');
  const NarrowResult cut = FormatA("%s", longText.c_str());
  EXPECT_EQ(1023, cut.stored);
  EXPECT_EQ(std::string(1023, 'z'), cut.text);
  EXPECT_EQ(kNarrowPoison, cut.after);
}
