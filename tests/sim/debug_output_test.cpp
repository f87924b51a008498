// The simulated debug output: lines in call order with the writing
// process's id, the ANSI variant, the recorder switch and the echo.
#include <gtest/gtest.h>

#include "sim/machine.h"
#include "sim/windows.h"

namespace {

void Nothing() {}

class DebugOutput : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
  void TearDown() override { sim::EchoDebugOutput(false); }
};

TEST_F(DebugOutput, LinesKeepTheirOrderAndTheProcessThatWroteThem) {
  sim::SetNextProcessId(1312);
  sim::StartProgram(sim::Program{&Nothing, nullptr, &Nothing});
  OutputDebugStringW(L"12:00:00.000 [1312] KoruAudioService Connect to registry\n");
  OutputDebugStringW(L"second");
  sim::EndProgram();

  sim::SetNextProcessId(2024);
  sim::StartProgram(sim::Program{&Nothing, nullptr, &Nothing});
  OutputDebugStringW(L"third");
  sim::EndProgram();

  const std::vector<sim::DebugLine>& lines = sim::DebugOutput();
  ASSERT_EQ(lines.size(), 3u) << "lines outlive their process";
  EXPECT_EQ(lines[0].pid, 1312u);
  EXPECT_EQ(lines[0].text, L"12:00:00.000 [1312] KoruAudioService Connect to registry\n");
  EXPECT_EQ(lines[1].pid, 1312u);
  EXPECT_EQ(lines[1].text, L"second");
  EXPECT_EQ(lines[2].pid, 2024u);
  EXPECT_EQ(lines[2].text, L"third");

  sim::Reset();
  EXPECT_TRUE(sim::DebugOutput().empty());
}

TEST_F(DebugOutput, NarrowLinesAreReadInTheAnsiCodePage) {
  OutputDebugStringA("caf\xE9 \x80");
  ASSERT_EQ(sim::DebugOutput().size(), 1u);
  EXPECT_EQ(sim::DebugOutput().front().text, L"caf\u00e9 \u20ac");
}

TEST_F(DebugOutput, NullAndEmptyStrings) {
  OutputDebugStringW(nullptr);
  OutputDebugStringA(nullptr);
  EXPECT_TRUE(sim::DebugOutput().empty());
  OutputDebugStringW(L"");
  ASSERT_EQ(sim::DebugOutput().size(), 1u);
  EXPECT_EQ(sim::DebugOutput().front().text, L"");
}

TEST_F(DebugOutput, NothingIsRecordedWhileTheRecordersAreOff) {
  sim::SetRecording(false);
  OutputDebugStringW(L"unseen");
  OutputDebugStringA("unseen");
  sim::SetRecording(true);
  OutputDebugStringW(L"seen");
  ASSERT_EQ(sim::DebugOutput().size(), 1u);
  EXPECT_EQ(sim::DebugOutput().front().text, L"seen");
}

TEST_F(DebugOutput, TheEchoWritesUtf8ToStandardError) {
  sim::EchoDebugOutput(true);
  ::testing::internal::CaptureStderr();
  OutputDebugStringW(L"caf\u00e9 \u20ac\n");
  OutputDebugStringA("narrow\n");
  sim::EchoDebugOutput(false);
  OutputDebugStringW(L"quiet\n");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "caf\xC3\xA9 \xE2\x82\xAC\nnarrow\n");
  EXPECT_EQ(sim::DebugOutput().size(), 3u) << "echoed lines are recorded too";
}

TEST_F(DebugOutput, TheEchoWorksWithTheRecordersOff) {
  sim::SetRecording(false);
  sim::EchoDebugOutput(true);
  ::testing::internal::CaptureStderr();
  OutputDebugStringW(L"echo only\n");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "echo only\n");
  EXPECT_TRUE(sim::DebugOutput().empty());
}

}  // namespace
