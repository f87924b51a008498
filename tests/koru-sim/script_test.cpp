// Validating a whole scenario file before it runs: every wrong line is
// reported with its number and a message, and nothing runs.
#include "script.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "runner.h"
#include "sim/machine.h"
#include "sim/registry.h"
#include "sim/services.h"

namespace koru::scn {
namespace {

std::string Problems(const Script& script) {
  std::string text;
  for (const FileProblem& problem : script.problems) {
    text += std::to_string(problem.line) + ": " + problem.message + "\n";
  }
  return text;
}

// The one problem of a one-line file.
std::string ProblemOf(const std::string& line) {
  Script script = ParseScript(line);
  if (script.problems.size() != 1)
    return "(" + std::to_string(script.problems.size()) + " problems)";
  return script.problems[0].message;
}

// The scenario files parse every other form of the steps; these forms
// appear in none of them.
TEST(Script, AcceptsTheFormsNoScenarioUses) {
  Script script = ParseScript(R"(registry "Name With Blanks" = 1
fail RegSetValueExA skip=2 times=3 error=0x5
run install extra "two words"
run install &
expect seen ~"status"
expect event "x" source=KoruAudioService
)");
  EXPECT_EQ(Problems(script), "");
  EXPECT_EQ(script.steps.size(), 6u);
}

TEST(Script, ReportsEveryWrongLineWithItsNumber) {
  Script script = ParseScript(R"(run install
frobnicate now
expect trace "ok"
clock 25:00:00.000
expect trace "unterminated
expect frobs 3
)");
  EXPECT_EQ(Problems(script),
            "2: unknown verb \"frobnicate\"\n"
            "4: expected a time HH:MM:SS.mmm, got \"25:00:00.000\" (usage: clock HH:MM:SS.mmm)\n"
            "5: unterminated quoted string\n"
            "6: unknown expectation \"frobs\" (usage: expect WHAT ...)\n");
}

TEST(Script, NamesWhatIsWrongWithAnArgument) {
  EXPECT_EQ(ProblemOf("pid"), "expected 1 argument, got 0 (usage: pid N)");
  EXPECT_EQ(ProblemOf("path C:\\x.exe"),
            "expected a \"quoted string\", got \"C:\\x.exe\" (usage: path "
            "\"C:\\\\...\\\\KoruAudioService.exe\")");
  EXPECT_EQ(ProblemOf("fail RegOpenKeyExA when=1"),
            "unknown argument when= (usage: fail API [skip=K] [times=N|always] [error=CODE])");
  EXPECT_EQ(ProblemOf("fail RegOpenKeyExA times=0"),
            "times=0 would make nothing fail (usage: fail API [skip=K] [times=N|always] "
            "[error=CODE])");
  EXPECT_EQ(ProblemOf("fail RegOpenKeyExA always times=2"),
            "always and times= together (usage: fail API [skip=K] [times=N|always] "
            "[error=CODE])");
  EXPECT_EQ(ProblemOf("fail RegOpenKeyExA error=5 error=6"), "error= given twice");
  EXPECT_EQ(ProblemOf("fail error=5 RegOpenKeyExA"),
            "positional argument \"RegOpenKeyExA\" after key=value arguments");
  EXPECT_EQ(ProblemOf("registry VolumeLimit 30"),
            "expected NAME = VALUE (usage: registry NAME = N | registry NAME = sz \"TEXT\" | "
            "registry NAME = TYPE HEX | registry delete NAME)");
}

TEST(Script, ExpectationsNameTheirOwnUsage) {
  EXPECT_EQ(ProblemOf("expect trace Connect"),
            "expected \"MESSAGE\" or ~\"TEXT\", got \"Connect\" (usage: expect trace \"MESSAGE\" "
            "| expect trace ~\"TEXT\")");
  EXPECT_EQ(ProblemOf("expect line ~\"x\""),
            "expected a \"quoted string\", got ~\"x\" (usage: expect line \"FULL LINE\")");
  EXPECT_EQ(ProblemOf("expect service KoruAudioService account=user"),
            "account= knows only system (usage: expect service NAME [path=\"...\"] [start=N] "
            "[type=0xN] [error=N] [account=system] [display=\"...\"] [access=0xN])");
  EXPECT_EQ(ProblemOf("expect"), "expect what? (usage: expect WHAT ...)");
  EXPECT_EQ(ProblemOf("expect no line \"x\""),
            "unknown expectation \"no line\" (usage: expect WHAT ...)");
}

TEST(Script, OnlyHappeningsMayEndWithAmpersand) {
  EXPECT_EQ(ProblemOf("expect exit 0 &"),
            "\"expect\" makes nothing happen, so it cannot end with &");
  EXPECT_EQ(ProblemOf("settle &"), "\"settle\" makes nothing happen, so it cannot end with &");
  EXPECT_EQ(ProblemOf("&"), "& alone is not a step");
  EXPECT_EQ(ProblemOf("\"run\" install"), "a step begins with a verb, not with \"run\"");
}

class ScriptRun : public ::testing::Test {
 protected:
  int Run(const std::string& text) { return RunScenario(text, "t.scn", RunOptions{}, out_, err_); }
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(ScriptRun, AWrongFileRunsNothingAndExitsWithTwo) {
  sim::Reset();
  int status = Run("run install\nexpect exit 0\nrun & install\n");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(err_.str(), "t.scn:3: & may only end a step\n");
  EXPECT_EQ(out_.str(), "") << "no verdicts and no closing line for a file that did not run";
  EXPECT_TRUE(sim::DebugOutput().empty()) << sim::DebugOutput().size() << " lines were traced";
  EXPECT_FALSE(sim::registry::KeyExists("HKEY_CLASSES_ROOT\\KoruAudio"));
  EXPECT_TRUE(sim::services::All().empty());
}

TEST_F(ScriptRun, AnUnreadableFileIsAWrongFile) {
  int status = RunScenarioFile("/nonexistent/none.scn", RunOptions{}, out_, err_);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(err_.str(), "koru-sim: cannot read /nonexistent/none.scn\n");
}

}  // namespace
}  // namespace koru::scn
