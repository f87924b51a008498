// The verdicts of a run: failures with their line, the step and what was
// seen, the machine's problems, and the closing line.
#include "report.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace koru::scn {
namespace {

Step StepAt(int line, const std::string& text) {
  Step step;
  step.line = line;
  step.text = text;
  return step;
}

TEST(Report, FailuresAndMachineProblemsAreListedAtTheEnd) {
  std::ostringstream out;
  Report report("a.scn", out, false);
  report.Record(StepAt(3, "expect exit 1"), Failed("exit 0"));
  report.Record(StepAt(4, "expect exit 0"), Held());
  report.MachineProblem("thread 7 ran 20000 ms without a simulated call");
  EXPECT_EQ(out.str(), "") << "without echo nothing is printed before the end";
  EXPECT_EQ(report.Finish(), 1);
  EXPECT_EQ(out.str(),
            "koru-sim: 2 failures:\n"
            "a.scn:3: expect exit 1\n"
            "    seen instead: exit 0\n"
            "a.scn: the machine: thread 7 ran 20000 ms without a simulated call\n"
            "koru-sim: 1 passed, 2 failed\n");
}

TEST(Report, EchoPrintsEachFailureWhenItHappens) {
  std::ostringstream out;
  Report report("a.scn", out, true);
  report.Record(StepAt(9, "expect registry key missing"), Failed("it exists"));
  EXPECT_EQ(out.str(),
            "FAILED a.scn:9: expect registry key missing\n    seen instead: it exists\n");
  EXPECT_EQ(report.passed(), 0u);
  EXPECT_EQ(report.failed(), 1u);
}

}  // namespace
}  // namespace koru::scn
