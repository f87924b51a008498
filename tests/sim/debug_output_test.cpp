// The simulated debug output's echo to standard error, with and without the
// recorders.
#include <gtest/gtest.h>

#include "sim/machine.h"
#include "sim/windows.h"

namespace {

class DebugOutput : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
  void TearDown() override { sim::EchoDebugOutput(false); }
};

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
