// The service control manager's steps and expectations in koru-sim: what a
// refused start or control reports, the status history in the language's
// notation, and the lines the runner rejects before anything runs.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "runner.h"

namespace koru::scn {
namespace {

class ServiceVerbs : public ::testing::Test {
 protected:
  int Run(const std::string& text) {
    out_.str("");
    err_.str("");
    return RunScenario(text, "t.scn", {}, out_, err_);
  }
  // Whether the report shows this failure of the step on `line`.
  ::testing::AssertionResult Shows(int line, const std::string& seen) const {
    const std::string out = out_.str();
    size_t at = out.find("t.scn:" + std::to_string(line) + ": ");
    size_t text = at == std::string::npos ? at : out.find("seen instead: ", at);
    if (text != std::string::npos && out.compare(text + 14, seen.size(), seen) == 0) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "no failure \"" << seen << "\" on line " << line << " in:\n"
           << out;
  }

  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(ServiceVerbs, AStartWithoutInstallationFailsTheStep) {
  EXPECT_EQ(Run("service start\nexpect status STOPPED\nexpect statuses\nexpect threads 0\n"), 1);
  EXPECT_TRUE(Shows(1, "not started: the service is not installed (error 1060)"));
  EXPECT_NE(out_.str().find("koru-sim: 3 passed, 1 failed"), std::string::npos) << out_.str();
}

TEST_F(ServiceVerbs, TheHistoryIsShownInTheLanguagesNotation) {
  EXPECT_EQ(Run(R"(run install
service start
expect statuses STOPPED/0/0/0
expect statuses START_PENDING/1/3000/0 RUNNING/0/0/0x101
expect status STOPPED
expect threads 1
)"),
            1);
  EXPECT_TRUE(Shows(3, "START_PENDING/1/3000/0 RUNNING/0/0/0x101\n"));
  EXPECT_FALSE(Shows(4, ""));
  EXPECT_TRUE(Shows(5, "RUNNING\n"));
  // Without a codec the dispatcher's main thread and the service main
  // thread are left.
  EXPECT_TRUE(Shows(6, "2 live threads\n"));
}

TEST_F(ServiceVerbs, ARefusedControlFailsUnlessTheStepSaysSo) {
  EXPECT_EQ(Run("control stop\ncontrol 200 refused\n"), 1);
  EXPECT_TRUE(Shows(1, "refused: the service is not running (error 1062)"));
  EXPECT_FALSE(Shows(2, ""));
}

TEST_F(ServiceVerbs, WrongLinesAreFileErrors) {
  EXPECT_EQ(Run("service stop\n"), 2);
  EXPECT_EQ(Run("control 0\n"), 2);
  EXPECT_EQ(Run("control 256\n"), 2);
  EXPECT_EQ(Run("control stop now\n"), 2);
  EXPECT_EQ(Run("expect status HALTED\n"), 2);
  EXPECT_EQ(Run("expect statuses RUNNING/0/0\n"), 2);
  EXPECT_EQ(Run("restart now\n"), 2);
  EXPECT_NE(err_.str().find("t.scn:1:"), std::string::npos) << err_.str();
}

}  // namespace
}  // namespace koru::scn
