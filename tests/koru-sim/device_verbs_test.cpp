// The codec's steps and the driver-request expectations in koru-sim (what
// each step does is seen by the scenario files): which requests an
// expectation matches on which handle, what a failing one shows, and the
// lines the runner rejects before anything runs.
#include <gtest/gtest.h>

#include <string>

#include "script.h"
#include "sim/devices.h"
#include "sim/machine.h"
#include "sim/windows.h"

namespace koru::scn {
namespace {

class DeviceSteps : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
  void TearDown() override { sim::Reset(); }

  // Plays the steps of `text` on the machine as it is, without a Reset.
  std::vector<Outcome> Play(const std::string& text) {
    Script script = ParseScript(text);
    for (const FileProblem& problem : script.problems) {
      ADD_FAILURE() << "line " << problem.line << ": " << problem.message;
    }
    std::vector<Outcome> outcomes;
    for (const Step& step : script.steps) {
      if (step.compiled.check) {
        outcomes.push_back(step.compiled.check(scenario_));
        continue;
      }
      step.compiled.act(scenario_);
      sim::Settle();
    }
    return outcomes;
  }
  // The problem the runner reports for a one-line file.
  static std::string Refusal(const std::string& line) {
    Script script = ParseScript(line + "\n");
    return script.problems.empty() ? "(accepted)" : script.problems.front().message;
  }
  // A request sent on `handle` from a thread of the live process.
  static void Send(HANDLE handle, DWORD code, std::vector<BYTE> input, DWORD outputSize) {
    sim::StartThread([=]() mutable {
      BYTE out = 0;
      DWORD bytes = 0;
      DeviceIoControl(handle, code, input.empty() ? nullptr : input.data(),
                      static_cast<DWORD>(input.size()), outputSize ? &out : nullptr, outputSize,
                      &bytes, nullptr);
    });
    sim::Settle();
  }
  static HANDLE Open() {
    return CreateFileW(sim::codec::DEFAULT_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       OPEN_EXISTING, 0, nullptr);
  }

  Scenario scenario_;
};

// ---- the lines -------------------------------------------------------------------

TEST_F(DeviceSteps, WrongLinesAreRefused) {
  EXPECT_NE(Refusal("codec initial 256").find("0 to 255"), std::string::npos);
  EXPECT_NE(Refusal("codec remove later").find("query, query-failed or complete"),
            std::string::npos);
  EXPECT_NE(Refusal("codec plug").find("present, initial, arrive or remove"), std::string::npos);
  EXPECT_NE(Refusal("driver complete value=1").find("bytes=N"), std::string::npos);
  EXPECT_NE(Refusal("driver fail error=0").find("success"), std::string::npos);
  EXPECT_NE(Refusal("driver jack").find("expected 2 arguments"), std::string::npos);
  EXPECT_NE(Refusal("expect ioctl JACKSTATE").find("unknown control code"), std::string::npos);
  EXPECT_NE(Refusal("expect ioctl MUTESTATE_NOTIFY handle=other").find("connector or switch"),
            std::string::npos);
  EXPECT_NE(Refusal("expect no ioctl FINISH_SPEAKER in=300").find("0 to 255"), std::string::npos);
  EXPECT_EQ(Refusal("expect ioctl 0x00220422 in=3 handle=switch"), "(accepted)");
}

// ---- the expectations ------------------------------------------------------------

class IoctlExpectations : public DeviceSteps {
 protected:
  // The connector's handle sends the start-up query and a mute state; the
  // watcher's own handle sends a switch answer.
  void SetUp() override {
    DeviceSteps::SetUp();
    sim::StartProgram(sim::Program{});
    sim::codec::Present();
    connector_ = Open();
    switch_ = Open();
    Send(connector_, sim::codec::JACKSTATE_INITIAL, {}, 1);
    Send(connector_, sim::codec::MUTESTATE_NOTIFY, {1}, 0);
    Send(switch_, sim::codec::FINISH_HEADPHONE, {3}, 0);
  }

  HANDLE connector_ = nullptr;
  HANDLE switch_ = nullptr;
};

TEST_F(IoctlExpectations, HandleAndInputMustAgree) {
  std::vector<Outcome> outcomes = Play(R"(expect ioctl FINISH_HEADPHONE handle=connector
expect ioctl FINISH_HEADPHONE in=4
expect no ioctl MUTESTATE_NOTIFY handle=switch
expect no ioctl MUTESTATE_NOTIFY handle=connector
)");
  ASSERT_EQ(outcomes.size(), 4u);
  EXPECT_FALSE(outcomes[0].held);
  EXPECT_EQ(outcomes[0].seen,
            "3 driver requests after the search point, none matching:\n"
            "      1: JACKSTATE_INITIAL handle=connector ok, 1 bytes\n"
            "      2: MUTESTATE_NOTIFY in=1 handle=connector ok, 0 bytes\n"
            "      3: FINISH_HEADPHONE in=3 handle=switch ok, 0 bytes");
  EXPECT_FALSE(outcomes[1].held);
  EXPECT_TRUE(outcomes[2].held);
  EXPECT_FALSE(outcomes[3].held);
  EXPECT_EQ(outcomes[3].seen, "request 2: MUTESTATE_NOTIFY in=1 handle=connector ok, 0 bytes");
}

}  // namespace
}  // namespace koru::scn
