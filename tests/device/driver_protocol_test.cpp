// The driver's control protocol as the driver receives it: each code's
// value and buffers through the one helper of its shape, the jack-state
// replies and what the connector makes of them, and the switch answers.
#include <functional>
#include <string>

#include "device/jack_state.h"
#include "device_link_fixture.h"
#include "service/shared_objects.h"

namespace koru {
namespace {

using Messages = std::vector<std::wstring>;
using Lines = std::vector<std::string>;

class ProtocolTest : public DeviceLinkTest {
 protected:
  void SetUp() override {
    DeviceLinkTest::SetUp();
    sim::codec::Present();
    ASSERT_EQ(ConnectOnServiceThread(), 1);
    MarkTrace();
  }
  void TearDown() override {
    RunOnServiceThread([] { codecDevice->Disconnect(); });
    DeviceLinkTest::TearDown();
  }

  BYTE Initial() {
    BYTE type = 0xEE;
    RunOnServiceThread([&type] { type = codecDevice->QueryInitialJackType(); });
    return type;
  }
  // Sends IOCTL_CMD_JACKSTATE_NOTIFY; `type` is written when the call returns.
  void StartNotify(BYTE& type) {
    sim::StartThread([&type] { type = codecDevice->AwaitJackNotify(); });
    sim::Settle();
  }
};

using ControlCodeTest = ProtocolTest;
using InitialReplyTest = ProtocolTest;
using NotifyReplyTest = ProtocolTest;

// ---- codes and buffers -------------------------------------------------------------

TEST(ControlCodes, FollowFromTheFunctionNumbers) {
  EXPECT_EQ(IOCTL_CMD_JACKNOTIFY_FINISH_SPEAKER, 0x0022041Eu);
  EXPECT_EQ(IOCTL_CMD_JACKNOTIFY_FINISH_HEADPHONE, 0x00220422u);
  EXPECT_EQ(IOCTL_CMD_JACKSTATE_NOTIFY, 0x00220426u);
  EXPECT_EQ(IOCTL_CMD_JACKSTATE_INITIAL, 0x0022042Au);
  EXPECT_EQ(IOCTL_CMD_MUTESTATE_NOTIFY, 0x0022042Eu);
  // The SDK's own macro builds the same values.
  EXPECT_EQ(
      CodecControlCode(0x10B),
      static_cast<DWORD>(CTL_CODE(FILE_DEVICE_UNKNOWN, 0x10B, METHOD_OUT_DIRECT, FILE_ANY_ACCESS)));
}

TEST(ControlCodes, SwitchAnswersFollowTheWindowsExitCode) {
  EXPECT_EQ(SwitchAnswerFor(1), SWITCH_ANSWER_CONSOLE);
  EXPECT_EQ(SwitchAnswerFor(2), SWITCH_ANSWER_COMMUNICATIONS);
  EXPECT_EQ(SwitchAnswerFor(3), SWITCH_ANSWER_CONSOLE);
  EXPECT_EQ(SwitchAnswerFor(0), SWITCH_ANSWER_NONE);
  EXPECT_EQ(SwitchAnswerFor(4), SWITCH_ANSWER_NONE) << "a window the service ended";
  EXPECT_EQ(SwitchAnswerFor(STILL_ACTIVE), SWITCH_ANSWER_NONE);
  EXPECT_EQ(static_cast<int>(SWITCH_ANSWER_CONSOLE), 2);
  EXPECT_EQ(static_cast<int>(SWITCH_ANSWER_COMMUNICATIONS), 3);
  EXPECT_EQ(static_cast<int>(SWITCH_ANSWER_NONE), 4);
}

TEST_F(ControlCodeTest, EachRequestReachesTheDriverWithItsBytes) {
  BOOL speaker = FALSE;
  BOOL headphone = FALSE;
  BOOL mute = FALSE;
  BOOL answer = FALSE;
  RunOnServiceThread([&] {
    speaker = codecDevice->SendFinish(IOCTL_CMD_JACKNOTIFY_FINISH_SPEAKER, 0);
    headphone = codecDevice->SendFinish(IOCTL_CMD_JACKNOTIFY_FINISH_HEADPHONE, 1);
    mute = codecDevice->SendMuteState();
    codecDevice->QueryInitialJackType();
    UniqueFileHandle own = OpenCodecDevice(sim::codec::DEFAULT_PATH);
    answer = SendSwitchAnswer(own.get(), SwitchAnswerFor(2));
  });
  EXPECT_TRUE(speaker);
  EXPECT_TRUE(headphone);
  EXPECT_TRUE(mute);
  EXPECT_TRUE(answer);
  EXPECT_EQ(Sent(), (Lines{"FINISH_SPEAKER in=0", "FINISH_HEADPHONE in=1", "MUTESTATE_NOTIFY in=1",
                           "JACKSTATE_INITIAL in=", "FINISH_HEADPHONE in=3"}));
  const std::vector<sim::codec::Request>& requests = sim::codec::Requests();
  for (size_t i = 0; i < requests.size(); ++i) {
    bool jackState = requests[i].code == IOCTL_CMD_JACKSTATE_INITIAL;
    EXPECT_EQ(requests[i].outputSize, jackState ? 1u : 0u) << Sent()[i];
    EXPECT_EQ(requests[i].outcome, sim::codec::Outcome::Succeeded) << Sent()[i];
  }
  EXPECT_EQ(requests[0].handle, requests[3].handle) << "the connector's handle";
  EXPECT_NE(requests[4].handle, requests[0].handle) << "the watcher's own handle";
}

// ---- the jack-state replies --------------------------------------------------------

// What the driver does with the next jack-state request, the type the
// request yields and what it traced.
struct ReplyCase {
  const char* name;
  std::function<void()> plan;
  BYTE type;
  Messages trace;
};

TEST_F(InitialReplyTest, EachReplyYieldsItsType) {
  const ReplyCase cases[] = {
      {"current state", [] { sim::codec::SetCurrentJack(JACK_HEADPHONE); }, JACK_HEADPHONE, {}},
      {"failure", [] { sim::codec::Fail(); }, JACK_END, {L"DeviceIoControl failed!"}},
      {"no byte: the byte starts as 0",
       [] { sim::codec::Complete(0); },
       JACK_SPEAKER,
       {L"DeviceIoControl failed on bufferSize error!", L"Type is: 0"}},
      {"wrong count, a byte written",
       [] { sim::codec::Complete(0, JACK_HEADPHONE); },
       JACK_HEADPHONE,
       {L"DeviceIoControl failed on bufferSize error!", L"Type is: 1"}},
  };
  for (const ReplyCase& c : cases) {
    SCOPED_TRACE(c.name);
    c.plan();
    EXPECT_EQ(Initial(), c.type);
    EXPECT_EQ(TraceSinceMark(), c.trace);
    MarkTrace();
  }
}

TEST_F(NotifyReplyTest, EachReplyYieldsItsType) {
  const ReplyCase cases[] = {
      {"undefined type", [] { sim::codec::Jack(7); }, 7, {L"DeviceIoControl succeed!"}},
      {"type equal to the output, not traced",
       [] {
         outputType->store(JACK_HEADPHONE);
         sim::codec::Jack(JACK_HEADPHONE);
       },
       JACK_HEADPHONE,
       {}},
      {"failure",
       [] { sim::codec::Fail(ERROR_DEVICE_NOT_CONNECTED); },
       JACK_END,
       {L"DeviceIoControl failed!"}},
      {"no byte: the byte written does not count",
       [] { sim::codec::Complete(0, JACK_HEADPHONE); },
       JACK_END,
       {L"DeviceIoControl failed on bufferSize error!"}},
      {"two bytes are as wrong as none",
       [] { sim::codec::Complete(2, JACK_HEADPHONE); },
       JACK_END,
       {L"DeviceIoControl failed on bufferSize error!"}},
  };
  for (const ReplyCase& c : cases) {
    SCOPED_TRACE(c.name);
    c.plan();
    BYTE type = 0xEE;
    StartNotify(type);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(TraceSinceMark(), c.trace);
    MarkTrace();
  }
}

TEST_F(NotifyReplyTest, WaitsForTheJackEventAndEndsAtRemoval) {
  BYTE type = 0xEE;
  StartNotify(type);
  EXPECT_EQ(type, 0xEE) << "still waiting in the driver";
  sim::codec::Jack(JACK_HEADPHONE);
  sim::Settle();
  EXPECT_EQ(type, JACK_HEADPHONE);

  StartNotify(type);
  sim::codec::Remove();
  sim::Settle();
  EXPECT_EQ(type, JACK_END);
  EXPECT_EQ(sim::codec::Requests().back().error, static_cast<uint32_t>(ERROR_DEVICE_NOT_CONNECTED));
}

}  // namespace
}  // namespace koru
