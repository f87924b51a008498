// Repeat blocks: the steps between `repeat N` and `end` unrolled N times,
// nested blocks included, each copy labelled with its round; markers
// without their partner are problems of the file.
#include "blocks.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "runner.h"
#include "script.h"
#include "sim/machine.h"

namespace koru::scn {
namespace {

std::vector<std::string> Texts(const Script& script) {
  std::vector<std::string> texts;
  for (const Step& step : script.steps) texts.push_back(step.text);
  return texts;
}

std::string Problems(const Script& script) {
  std::string text;
  for (const FileProblem& problem : script.problems) {
    text += std::to_string(problem.line) + ": " + problem.message + "\n";
  }
  return text;
}

TEST(Blocks, UnrollTheBodyOnceForEachRound) {
  Script script = ParseScript("mark\nrepeat 3\n  settle\n  checkpoint\nend\nmark\n");
  ASSERT_TRUE(script.problems.empty()) << Problems(script);
  std::vector<std::string> expected = {
      "mark",
      "settle [round 1 of 3]",
      "checkpoint [round 1 of 3]",
      "settle [round 2 of 3]",
      "checkpoint [round 2 of 3]",
      "settle [round 3 of 3]",
      "checkpoint [round 3 of 3]",
      "mark",
  };
  EXPECT_EQ(Texts(script), expected);
  // Each copy keeps the line it was written on.
  ASSERT_EQ(script.steps.size(), 8u);
  EXPECT_EQ(script.steps[1].line, 3);
  EXPECT_EQ(script.steps[6].line, 4);
  EXPECT_EQ(script.steps[7].line, 6);
}

TEST(Blocks, NestedBlocksMultiply) {
  Script script = ParseScript("repeat 2\n settle\n repeat 3\n  mark\n end\nend\n");
  ASSERT_TRUE(script.problems.empty()) << Problems(script);
  EXPECT_EQ(script.steps.size(), 8u) << "two rounds of one settle and three marks";
  ASSERT_GE(script.steps.size(), 3u);
  EXPECT_EQ(script.steps[0].text, "settle [round 1 of 2]");
  EXPECT_EQ(script.steps[2].text, "mark [round 2 of 3] [round 1 of 2]");
  EXPECT_EQ(script.steps.back().text, "mark [round 3 of 3] [round 2 of 2]");
}

TEST(Blocks, AnEmptyBlockLeavesNothing) {
  Script script = ParseScript("repeat 1000\nend\nmark\n");
  ASSERT_TRUE(script.problems.empty()) << Problems(script);
  EXPECT_EQ(Texts(script), std::vector<std::string>{"mark"});
}

TEST(Blocks, MarkersWithoutTheirPartnerAreProblems) {
  Script script = ParseScript("end\nrepeat 2\nmark\nrepeat 0\nrepeat 100001\nrepeat x\nend &\n");
  EXPECT_EQ(
      Problems(script),
      "1: end without a repeat before it\n"
      "2: repeat without its end\n"
      "4: a block is played 1 to 100000 times (usage: repeat N ... end)\n"
      "5: a block is played 1 to 100000 times (usage: repeat N ... end)\n"
      "6: expected a number (decimal or 0x hexadecimal), got \"x\" (usage: repeat N ... end)\n"
      "7: \"end\" makes nothing happen, so it cannot end with &\n");
}

// A failure in a round names the round; the steps before it ran in every
// round before.
TEST(Blocks, AFailureNamesItsRound) {
  sim::Reset();
  std::ostringstream out;
  std::ostringstream err;
  int status = RunScenario("repeat 3\n  run install\nend\nrepeat 2\n  expect exit 1\nend\n",
                           "b.scn", RunOptions{}, out, err);
  EXPECT_EQ(status, 1) << out.str() << err.str();
  std::string report = out.str();
  EXPECT_NE(report.find("b.scn:5: expect exit 1 [round 1 of 2]\n    seen instead: exit 0"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("b.scn:5: expect exit 1 [round 2 of 2]"), std::string::npos) << report;
  EXPECT_NE(report.find("koru-sim: 0 passed, 2 failed"), std::string::npos) << report;
}

}  // namespace
}  // namespace koru::scn
