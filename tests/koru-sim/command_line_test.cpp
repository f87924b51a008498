// koru-sim's command line: the file and the options in any order.
#include "command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace koru::scn {
namespace {

using Args = std::vector<std::string>;

std::string ErrorOf(const Args& args) {
  std::string error;
  if (ParseCommandLine(args, &error)) return "(no error)";
  return error;
}

TEST(CommandLine, OptionsBeforeAndAfterTheFile) {
  std::string error;
  auto command =
      ParseCommandLine({"run", "--trace", "--seed", "42", "x.scn", "--state", "/tmp/s"}, &error);
  ASSERT_TRUE(command) << error;
  EXPECT_EQ(command->file, "x.scn");
  EXPECT_TRUE(command->options.trace);
  EXPECT_EQ(command->options.seed.value_or(0), 42u);
  EXPECT_EQ(command->options.stateDir.value_or(""), "/tmp/s");

  EXPECT_FALSE(command->options.freeRunning);
  command = ParseCommandLine({"run", "x.scn", "--realtime"}, &error);
  ASSERT_TRUE(command) << error;
  EXPECT_TRUE(command->options.realTime);
  command = ParseCommandLine({"run", "--free", "x.scn"}, &error);
  ASSERT_TRUE(command) << error;
  EXPECT_TRUE(command->options.freeRunning);
  EXPECT_FALSE(command->options.realTime);
}

TEST(CommandLine, RejectsWrongCommands) {
  EXPECT_EQ(ErrorOf({}), "no command");
  EXPECT_EQ(ErrorOf({"play", "x.scn"}), "unknown command play");
  EXPECT_EQ(ErrorOf({"run"}), "no scenario file");
  EXPECT_EQ(ErrorOf({"run", "a.scn", "b.scn"}), "one scenario file at a time, got a.scn and b.scn");
  EXPECT_EQ(ErrorOf({"run", "a.scn", "--verbose"}), "unknown option --verbose");
  EXPECT_EQ(ErrorOf({"run", "a.scn", "--seed"}), "--seed needs a value");
  EXPECT_EQ(ErrorOf({"run", "a.scn", "--seed", "x1"}), "--seed needs a decimal number, got x1");
  EXPECT_EQ(ErrorOf({"run", "a.scn", "--state"}), "--state needs a value");
  EXPECT_EQ(ErrorOf({"run", "a.scn", "--seed", "1", "--realtime"}),
            "--seed orders threads that run one at a time; --realtime runs them in parallel");
  EXPECT_EQ(ErrorOf({"run", "x.scn", "--free", "--seed", "3"}),
            "--seed orders threads that run one at a time; --free runs them in parallel");
}

}  // namespace
}  // namespace koru::scn
