// The simulated codec driver: wrong buffer sizes and codes, and the planned
// completions' byte and order rules.
#include <string>

#include "device_io_fixture.h"
#include "sim/windows.h"

namespace sim_test {
namespace {

using sim::codec::FINISH_HEADPHONE;
using sim::codec::FINISH_SPEAKER;
using sim::codec::JACKSTATE_INITIAL;
using sim::codec::JACKSTATE_NOTIFY;
using sim::codec::MUTESTATE_NOTIFY;
using Lines = std::vector<std::string>;

class CodecDriverTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    file_ = Open();
    ASSERT_NE(file_, INVALID_HANDLE_VALUE);
  }
  void TearDown() override {
    if (sim::ProgramAlive()) CloseHandle(file_);
    DeviceTest::TearDown();
  }
  Call& Notify() { return SendAndSettle(file_, JACKSTATE_NOTIFY, {}, 1); }
  Call& Initial() { return SendAndSettle(file_, JACKSTATE_INITIAL, {}, 1); }

  HANDLE file_ = nullptr;
};

using CodecProtocolTest = CodecDriverTest;
using CodecPlanTest = CodecDriverTest;

// ---- the five codes and their sizes ----------------------------------------------

TEST_F(CodecProtocolTest, WrongSizesFailWithInvalidParameter) {
  struct Case {
    DWORD code;
    std::vector<BYTE> input;
    DWORD outputSize;
  };
  const Case cases[] = {
      {FINISH_SPEAKER, {}, 0},   {FINISH_HEADPHONE, {1, 2}, 0}, {MUTESTATE_NOTIFY, {1}, 1},
      {JACKSTATE_NOTIFY, {}, 0}, {JACKSTATE_INITIAL, {0}, 1},   {JACKSTATE_INITIAL, {}, 2},
  };
  for (const Case& c : cases) {
    Call& call = SendAndSettle(file_, c.code, c.input, c.outputSize);
    EXPECT_FALSE(call.ok) << sim::codec::CodeName(c.code) << " in " << c.input.size() << " out "
                          << c.outputSize;
    EXPECT_EQ(call.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER))
        << sim::codec::CodeName(c.code);
  }
  EXPECT_EQ(sim::codec::Requests().size(), std::size(cases)) << "each one reached the driver";
  EXPECT_EQ(sim::codec::QueuedJackEvents(), 0u);
}

TEST_F(CodecProtocolTest, UnknownCodeIsAnInvalidFunction) {
  Call& call = SendAndSettle(file_, 0x00220400, {1});
  EXPECT_EQ(call.error, static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  EXPECT_EQ(LogLines(), Lines{"0x00220400 in=1 failed 1"});
}

// ---- planned completions and failures --------------------------------------------

TEST_F(CodecPlanTest, CompleteWithZeroBytesLeavesTheByte) {
  sim::codec::Complete(0);
  Call& call = Initial();
  EXPECT_TRUE(call.ok);
  EXPECT_EQ(call.bytes, 0u);
  EXPECT_EQ(call.output, 0xEE) << "the driver wrote nothing";
  EXPECT_EQ(LogLines(), Lines{"JACKSTATE_INITIAL in= ok 0"});
}

TEST_F(CodecPlanTest, PlansGoBeforeQueuedJackEventsAndSkipOtherCodes) {
  sim::codec::Jack(1);
  sim::codec::Fail(5);
  EXPECT_TRUE(SendAndSettle(file_, MUTESTATE_NOTIFY, {1}).ok) << "not a jack-state request";
  EXPECT_EQ(Notify().error, 5u);
  EXPECT_EQ(Notify().output, 1);
}

}  // namespace
}  // namespace sim_test
