// koru-sim's free-running option on the command line (the soak scenario
// runs with it under ThreadSanitizer).
#include <gtest/gtest.h>

#include <string>

#include "command_line.h"

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

}  // namespace
}  // namespace koru::scn
