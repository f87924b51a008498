// The audio stack's steps and expectations (what the steps do is seen by
// the scenario files): what a failing expectation shows, a scalar's
// tolerance, steps that cannot be carried out, and the lines the runner
// rejects.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "runner.h"

namespace koru::scn {
namespace {

class EndpointSteps : public ::testing::Test {
 protected:
  int Run(const std::string& text) {
    out_.str("");
    err_.str("");
    return RunScenario(text, "t.scn", RunOptions{}, out_, err_);
  }
  // The "seen instead" of the failure on `line`.
  std::string SeenAt(int line) const {
    std::string out = out_.str();
    size_t at = out.find("t.scn:" + std::to_string(line) + ": ");
    if (at == std::string::npos) return "(no failure on line " + std::to_string(line) + ")";
    size_t seen = out.find("seen instead: ", at);
    return out.substr(seen + 14, out.find('\n', seen) - seen - 14);
  }
  std::string FileProblem() const { return err_.str(); }

  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(EndpointSteps, FailedExpectationsShowWhatIs) {
  EXPECT_EQ(Run(R"(endpoint speakers render volume=0.5 muted
expect endpoint speakers volume=0.4
expect endpoint speakers custom=1 store=fx
expect endpoint nothing muted=0
expect default render console nothing
expect default capture console mic
)"),
            1);
  EXPECT_EQ(SeenAt(2), "volume=0.5 muted=1 custom=none");
  EXPECT_EQ(SeenAt(3), "volume=0.5 muted=1 custom=none");
  EXPECT_EQ(SeenAt(4), "no endpoint named \"nothing\"");
  EXPECT_EQ(SeenAt(5), "speakers");
  EXPECT_EQ(SeenAt(6), "none");
}

TEST_F(EndpointSteps, AScalarHoldsWithinItsTolerance) {
  EXPECT_EQ(Run(R"(endpoint speakers render volume=0.53
expect endpoint speakers volume=0.5304
expect endpoint speakers volume=0.5306
)"),
            1);
  EXPECT_EQ(SeenAt(2), "(no failure on line 2)");
  EXPECT_EQ(SeenAt(3), "volume=0.53 muted=0 custom=none");
}

TEST_F(EndpointSteps, StepsOnEndpointsThatCannotBeFail) {
  EXPECT_EQ(Run(R"(endpoint speakers render
endpoint speakers render
volume nothing 0.5
state speakers unplugged
default speakers
expect endpoint speakers volume=1
)"),
            1);
  EXPECT_EQ(SeenAt(2), "endpoint \"speakers\" exists");
  EXPECT_EQ(SeenAt(3), "no endpoint named \"nothing\"");
  EXPECT_EQ(SeenAt(5), "endpoint \"speakers\" is not active");
}

struct WrongStep {
  const char* text;
  const char* problem;
};

class EndpointStepProblems : public EndpointSteps,
                             public ::testing::WithParamInterface<WrongStep> {};

TEST_P(EndpointStepProblems, AreFileErrors) {
  EXPECT_EQ(Run(GetParam().text), 2);
  EXPECT_NE(FileProblem().find(GetParam().problem), std::string::npos) << FileProblem();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, EndpointStepProblems,
    ::testing::Values(
        WrongStep{"endpoint x sideways\n", "expected render or capture"},
        WrongStep{"endpoint x render state=gone\n", "expected active, disabled"},
        WrongStep{"endpoint x render jack=12\n", "no jack connection type 12"},
        WrongStep{"endpoint x render topology=some\n", "topology= knows only none"},
        WrongStep{"endpoint x render volume=1.5\n", "a volume is a scalar from 0 to 1"},
        WrongStep{"endpoint x render volume=0.5 volume=0.6\n", "volume= given twice"},
        WrongStep{"volume x 0.5 context=other\n", "expected context=null|service"},
        WrongStep{"default x everywhere\n", "expected console, multimedia or communications"},
        WrongStep{"expect com dirty\n", "expected clean or steady"},
        WrongStep{"expect endpoint x store=disk\n", "expected store=fx|endpoint"},
        WrongStep{"expect default render loud x\n", "expected console, multimedia"}));

}  // namespace
}  // namespace koru::scn
