// The value forms of the scenario language: numbers, durations, scalars,
// clock times and UTF-8 text.
#include "values.h"

#include <gtest/gtest.h>

#include <string>

#include "file_error.h"

namespace koru::scn {
namespace {

template <typename Parse>
std::string ErrorOf(Parse parse) {
  try {
    parse();
  } catch (const FileError& error) {
    return error.what();
  }
  return "(no error)";
}

TEST(Values, NumbersAreDecimalOrHexadecimal) {
  EXPECT_EQ(ParseNumber("0"), 0u);
  EXPECT_EQ(ParseNumber("0XC0020001"), 0xC0020001u);
  EXPECT_EQ(ParseNumber("0xffffffff"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseNumber("4294967295"), 4294967295u);

  for (const char* text :
       {"", "-1", "+1", "12a", "0x", "0xg", "4294967296", "0x100000000", "1.5", " 1"}) {
    EXPECT_EQ(ErrorOf([&] { ParseNumber(text); }),
              "expected a number (decimal or 0x hexadecimal), got \"" + std::string(text) + "\"")
        << "for \"" << text << "\"";
  }
}

TEST(Values, DurationsInMillisecondsOrSeconds) {
  EXPECT_EQ(ParseDurationMs("0ms"), 0u);
  EXPECT_EQ(ParseDurationMs("2s"), 2000u);
  EXPECT_EQ(ParseDurationMs("86400s"), 86400000u);
  for (const char* text : {"500", "ms", "s", "1.5s", "2 s", "-1s", "3m", "0x10ms"}) {
    EXPECT_EQ(ErrorOf([&] { ParseDurationMs(text); }),
              "expected a duration such as 500ms or 2s, got \"" + std::string(text) + "\"")
        << "for \"" << text << "\"";
  }
}

TEST(Values, ScalarsAreDecimalFractions) {
  EXPECT_DOUBLE_EQ(ParseScalar("1"), 1.0);
  EXPECT_DOUBLE_EQ(ParseScalar("0.17"), 0.17);
  for (const char* text : {"", ".5", "1.", "-0.5", "1e3", "0x1", "0.5.1", "nan"}) {
    EXPECT_EQ(ErrorOf([&] { ParseScalar(text); }),
              "expected a scalar such as 0.5, got \"" + std::string(text) + "\"")
        << "for \"" << text << "\"";
  }
}

TEST(Values, ClockTimesOnATwentyFourHourClock) {
  ClockTime time = ParseClock("23:59:59.999");
  EXPECT_EQ(time.hour, 23);
  EXPECT_EQ(time.minute, 59);
  EXPECT_EQ(time.second, 59);
  EXPECT_EQ(time.millisecond, 999);
  for (const char* text :
       {"24:00:00.000", "12:60:00.000", "12:00:60.000", "12:00:00", "12:00:00.0000", "1:00:00.000",
        "12-00-00.000", "ab:00:00.000", "12:00:00.+12"}) {
    EXPECT_EQ(ErrorOf([&] { ParseClock(text); }),
              "expected a time HH:MM:SS.mmm, got \"" + std::string(text) + "\"")
        << "for \"" << text << "\"";
  }
}

TEST(Values, TextIsUtf8BothWaysAndQuotedLikeTheLanguage) {
  EXPECT_EQ(Utf8ToWide("Lautst\xC3\xA4rke \xE2\x82\xAC \xF0\x9F\x8E\xA7"),
            L"Lautst\u00E4rke \u20AC \U0001F3A7");
  EXPECT_EQ(WideToUtf8(L"Lautst\u00E4rke \u20AC \U0001F3A7"),
            "Lautst\xC3\xA4rke \xE2\x82\xAC \xF0\x9F\x8E\xA7");
  for (const char* text : {"\xC3", "\xC3(", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xFF"}) {
    EXPECT_EQ(ErrorOf([&] { Utf8ToWide(text); }), "text is not UTF-8")
        << "for bytes of length " << std::string(text).size();
  }

  EXPECT_EQ(Quoted(std::string_view(R"(C:\A "B")")), R"("C:\\A \"B\"")");
  EXPECT_EQ(Quoted(std::wstring_view(L"x")), "\"x\"");
  EXPECT_EQ(Hex(0xC0020001), "0xC0020001");
  EXPECT_EQ(Hex(0), "0x0");
}

}  // namespace
}  // namespace koru::scn
