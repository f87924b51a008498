// koru-sim's free-running option: the simulated threads run in parallel on
// the virtual clock, so that a scenario's pauses cost nothing under
// ThreadSanitizer.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "command_line.h"
#include "runner.h"
#include "sim/machine.h"

namespace koru::scn {
namespace {

TEST(FreeRunningOption, IsReadFromTheCommandLine) {
  std::string error;
  auto command = ParseCommandLine({"run", "--free", "x.scn"}, &error);
  ASSERT_TRUE(command) << error;
  EXPECT_TRUE(command->options.freeRunning);
  EXPECT_FALSE(command->options.realTime);
  EXPECT_FALSE(ParseCommandLine({"run", "x.scn", "--free", "--seed", "3"}, &error));
  EXPECT_EQ(error, "--seed orders threads that run one at a time; --free runs them in parallel");
}

// A reconnection pauses a second; the virtual clock makes that a second of
// the machine's time, not of the test's.
TEST(FreeRunningOption, RunsTheServiceOnTheVirtualClock) {
  RunOptions options;
  options.freeRunning = true;
  std::ostringstream out;
  std::ostringstream err;
  int status = RunScenario(R"(run install
codec present
endpoint speakers render default
service start
codec remove
codec arrive
expect trace "Device connect successfully"
expect threads 7
control stop
expect status STOPPED
expect handles clean
)",
                           "f.scn", options, out, err);
  EXPECT_EQ(status, 0) << out.str() << err.str();
  EXPECT_EQ(sim::CurrentOptions().scheduling, sim::Scheduling::FreeRunning);
  EXPECT_FALSE(sim::CurrentOptions().realTime);
  EXPECT_GE(sim::NowMs(), 1000u) << "the reconnection's pause passed on the virtual clock";
}

}  // namespace
}  // namespace koru::scn
