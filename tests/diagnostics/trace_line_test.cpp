// The limits of a trace line's buffers, and how wide and narrow messages
// are formatted into it (the frame itself is checked by a scenario).
#include "diagnostics/trace.h"

#include <string>

#include "platform/win32.h"
#include "support/service_fixture.h"

namespace koru {
namespace {

constexpr DWORD kPid = 1312;

class TraceLineTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    sim::SetNextProcessId(kPid);
    StartServiceProcess();
  }

  // The raw debug-output text of the last line written.
  static std::wstring LastLine() {
    const std::vector<sim::DebugLine>& lines = sim::DebugOutput();
    return lines.empty() ? std::wstring() : lines.back().text;
  }

  static std::wstring LastMessage() {
    std::vector<std::wstring> messages = ServiceTraceMessages();
    return messages.empty() ? std::wstring() : messages.back();
  }

  // Letters in a repeating run, so that a cut shows where it happened.
  static std::wstring Letters(size_t count) {
    std::wstring text;
    for (size_t i = 0; i < count; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
    return text;
  }
};

// ---- the 1023-character limit of the line --------------------------------------

// "12:00:00.000 [1312] KoruAudioService " is 37 characters; with the line
// feed, a message of 985 characters fills the line exactly.
constexpr size_t kFrameChars = 37;
constexpr size_t kLineLimit = 1023;

TEST_F(TraceLineTest, LongestMessageThatKeepsTheLineFeed) {
  sim::SetLocalTime(12, 0, 0, 0);
  const std::wstring message = Letters(kLineLimit - kFrameChars - 1);
  RunOnServiceThread([&] { WriteTrace(L"%s", message.c_str()); });
  std::wstring line = LastLine();
  EXPECT_EQ(line.size(), kLineLimit);
  EXPECT_EQ(line, L"12:00:00.000 [1312] KoruAudioService " + message + L"\n");
}

TEST_F(TraceLineTest, OneCharacterMoreLosesOnlyTheLineFeed) {
  sim::SetLocalTime(12, 0, 0, 0);
  const std::wstring message = Letters(kLineLimit - kFrameChars);
  RunOnServiceThread([&] { WriteTrace(L"%s", message.c_str()); });
  std::wstring line = LastLine();
  EXPECT_EQ(line.size(), kLineLimit);
  EXPECT_EQ(line, L"12:00:00.000 [1312] KoruAudioService " + message);
  EXPECT_EQ(LastMessage(), message);
}

TEST_F(TraceLineTest, MessageOf1023CharactersIsCutWithItsLine) {
  sim::SetLocalTime(12, 0, 0, 0);
  const std::wstring message = Letters(kLineLimit);
  RunOnServiceThread([&] { WriteTrace(L"%s", message.c_str()); });
  std::wstring line = LastLine();
  EXPECT_EQ(line.size(), kLineLimit);
  EXPECT_NE(line.back(), L'\n');
  EXPECT_EQ(line, (L"12:00:00.000 [1312] KoruAudioService " + message).substr(0, kLineLimit));
}

TEST_F(TraceLineTest, NarrowMessageOf1023CharactersIsCutWithItsLine) {
  sim::SetLocalTime(12, 0, 0, 0);
  const std::wstring wide = Letters(kLineLimit);
  const std::string narrow(wide.begin(), wide.end());
  RunOnServiceThread([&] { WriteTraceA("%s", narrow.c_str()); });
  std::wstring line = LastLine();
  EXPECT_EQ(line.size(), kLineLimit);
  EXPECT_EQ(line, (L"12:00:00.000 [1312] KoruAudioService " + wide).substr(0, kLineLimit));
}

// ---- wide messages ---------------------------------------------------------------

TEST_F(TraceLineTest, WideFormatTakesWideAndNarrowStrings) {
  RunOnServiceThread([] {
    WriteTrace(L"%s | %hs | %ls | %d | 0x%x", L"wide", "narrow", L"also wide", -5, 0xffu);
  });
  EXPECT_EQ(LastMessage(), L"wide | narrow | also wide | -5 | 0xff");
}

TEST_F(TraceLineTest, PercentInWideArgumentIsPrintedLiterally) {
  RunOnServiceThread([] { WriteTrace(L"Device name: %s", L"100%d %s %% done"); });
  EXPECT_EQ(LastMessage(), L"Device name: 100%d %s %% done");
}

// ---- narrow messages ---------------------------------------------------------------

TEST_F(TraceLineTest, NarrowFormatTakesNarrowAndWideStrings) {
  RunOnServiceThread([] { WriteTraceA("Set PropertyKey to %d : %ls", 1, L"{0.0.0.00000000}"); });
  EXPECT_EQ(LastMessage(), L"Set PropertyKey to 1 : {0.0.0.00000000}");
  RunOnServiceThread(
      [] { WriteTraceA("Fail to create registryKey on %hs, status is %d", "Key", 5); });
  EXPECT_EQ(LastMessage(), L"Fail to create registryKey on Key, status is 5");
}

TEST_F(TraceLineTest, PercentInNarrowArgumentIsPrintedLiterally) {
  RunOnServiceThread([] { WriteTraceA("Device name: %s", "50%d%s%%"); });
  EXPECT_EQ(LastMessage(), L"Device name: 50%d%s%%");
}

TEST_F(TraceLineTest, NarrowTextIsConvertedWithTheAnsiCodePage) {
  // 0xE9 and 0x80 are "é" and "€" in Windows-1252; as UTF-8 they would not
  // even be valid.
  RunOnServiceThread([] { WriteTraceA("Device name: %s", "Caf\xE9 \x80 5"); });
  EXPECT_EQ(LastMessage(), L"Device name: Caf\u00E9 \u20AC 5");
}

}  // namespace
}  // namespace koru
