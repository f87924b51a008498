// The scenario steps of sessions and popups, and the expectations on
// launches, endings and running popups, played against launches made on
// simulated threads of a service process.
#include <sstream>
#include <string>
#include <vector>

#include "launcher_fixture.h"
#include "runner.h"
#include "script.h"

namespace koru {
namespace {

using scn::Outcome;

class PopupStepsTest : public LauncherTest {
 protected:
  // Plays the steps of `text` on the current machine; returns the outcome
  // of each expectation in order.
  std::vector<Outcome> Play(const std::string& text) {
    scn::Script script = scn::ParseScript(text);
    for (const scn::FileProblem& problem : script.problems) {
      ADD_FAILURE() << "line " << problem.line << ": " << problem.message;
    }
    std::vector<Outcome> outcomes;
    for (const scn::Step& step : script.steps) {
      if (step.compiled.check) {
        outcomes.push_back(step.compiled.check(scenario_));
        continue;
      }
      step.compiled.act(scenario_);
      if (step.compiled.happens) sim::Settle();
    }
    return outcomes;
  }

  // Whether the one expectation of `text` holds; what it saw otherwise.
  std::string Check(const std::string& text) {
    std::vector<Outcome> outcomes = Play(text);
    if (outcomes.size() != 1) return "(" + std::to_string(outcomes.size()) + " outcomes)";
    return outcomes[0].held ? "held" : outcomes[0].seen;
  }

  // Whether the one-line file `line` has one problem that says `text`.
  static ::testing::AssertionResult ProblemSays(const std::string& line, const std::string& text) {
    scn::Script script = scn::ParseScript(line);
    if (script.problems.size() != 1) {
      return ::testing::AssertionFailure() << script.problems.size() << " problems in " << line;
    }
    const std::string& message = script.problems[0].message;
    if (message.find(text) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << line << ": " << message;
  }

  scn::Scenario scenario_;
};

const std::string SWITCH_LINE =
    R"("\"C:\\Program Files\\Koru Audio\\KoruAudioSwitchWindow.exe\" 0")";

TEST_F(PopupStepsTest, WrongStepsAreFileProblems) {
  EXPECT_TRUE(ProblemSays("popup KoruPopupWindow.exe", "expected either stays or answer=CODE"));
  EXPECT_TRUE(ProblemSays("popup KoruPopupWindow.exe stays answer=1", "either stays or"));
  EXPECT_TRUE(ProblemSays("popup KoruPopupWindow.exe after=1s", "after= needs answer="));
  EXPECT_TRUE(ProblemSays("popup KoruPopupWindow.exe sometimes", "expected stays or answer"));
  EXPECT_TRUE(ProblemSays("session", "expected console= or user="));
  EXPECT_TRUE(ProblemSays("session user=maybe", "user= expects yes or no"));
  EXPECT_TRUE(ProblemSays("file C:\\x.exe", "quoted string"));
  EXPECT_TRUE(ProblemSays("popup-exit KoruPopupWindow.exe", "expected 2 arguments"));
  EXPECT_TRUE(ProblemSays("expect not KoruPopupWindow.exe", "expected 2 arguments"));
  EXPECT_TRUE(ProblemSays("expect not here KoruPopupWindow.exe", "expected running EXE"));
  EXPECT_TRUE(ProblemSays("expect launch \"x\" user=2", "user= expects yes or no"));
  EXPECT_TRUE(ProblemSays("expect terminated ChimeWindow.exe", "expected 2 arguments"));
}

TEST_F(PopupStepsTest, SessionChangesOnlyWhatItNames) {
  Play("session console=4\n");
  EXPECT_EQ(sim::sessions::ConsoleSession(), 4u);
  EXPECT_TRUE(sim::sessions::UserLoggedOn());
  Play("session user=no\n");
  EXPECT_EQ(sim::sessions::ConsoleSession(), 4u);
  EXPECT_FALSE(sim::sessions::UserLoggedOn());
  Play("session console=none user=yes\n");
  EXPECT_EQ(sim::sessions::ConsoleSession(), sim::sessions::kNoConsoleSession);
  EXPECT_TRUE(sim::sessions::UserLoggedOn());
}

TEST_F(PopupStepsTest, ALaunchIsFoundOnceWithItsSessionAndUser) {
  Play("session console=2\n");
  StartWith(0x0004);
  ASSERT_EQ(Launch(SWITCH_WINDOW), 1);
  EXPECT_EQ(Check("expect launch " + SWITCH_LINE + " session=3"),
            "1 launches after the search point, none matching:\n      1: " + SWITCH_LINE +
                " session=2 user=yes");
  EXPECT_NE(Check("expect launch " + SWITCH_LINE + " user=no"), "held");
  EXPECT_EQ(Check("expect launch " + SWITCH_LINE + " session=2 user=yes"), "held");
  EXPECT_EQ(Check("expect launch " + SWITCH_LINE), "no launches after the search point")
      << "the search point moved past it";
}

TEST_F(PopupStepsTest, NoLaunchLooksAfterTheSearchPointForTheExecutable) {
  StartWith(0x0004);
  EXPECT_EQ(Check("expect no launch\n"), "held");
  ASSERT_EQ(Launch(SWITCH_WINDOW), 1);
  EXPECT_EQ(Check("expect no launch ChimeWindow.exe\n"), "held");
  EXPECT_EQ(Check("expect no launch \"C:\\\\Program.exe\"\n"), "held");
  EXPECT_EQ(Check("expect no launch KoruAudioSwitchWindow.exe\n"),
            "launch 1: " + SWITCH_LINE + " session=1 user=yes");
  Play("mark\n");
  EXPECT_EQ(Check("expect no launch\n"), "held") << "mark moves the search point";
}

TEST_F(PopupStepsTest, TerminatedRunningAndNotRunningFollowThePopup) {
  StartWith(0x0004);
  EXPECT_EQ(Check("expect terminated KoruAudioSwitchWindow.exe 4\n"),
            "no program of KoruAudioSwitchWindow.exe has ended");
  RunOnServiceThread([] {
    popupSlots[SWITCH_WINDOW]->Claim();
    LaunchPopup(SWITCH_WINDOW);
  });
  EXPECT_EQ(Check("expect running KoruAudioSwitchWindow.exe\n"), "held");
  EXPECT_EQ(Check("expect not running KoruAudioSwitchWindow.exe\n"), "running");
  RunOnServiceThread([] { popupSlots[SWITCH_WINDOW]->End(); });
  EXPECT_EQ(Check("expect not running KoruAudioSwitchWindow.exe\n"), "held");
  EXPECT_EQ(Check("expect running KoruAudioSwitchWindow.exe\n"), "not running");
  EXPECT_EQ(Check("expect terminated KoruAudioSwitchWindow.exe 4\n"), "held");
  EXPECT_EQ(Check("expect terminated KoruAudioSwitchWindow.exe 3\n"),
            "C:\\Program Files\\Koru Audio\\KoruAudioSwitchWindow.exe terminated with 4");
}

TEST_F(PopupStepsTest, ScriptedAnswersAndPopupExit) {
  Play("popup KoruPopupWindow.exe answer=1 after=2s\n");
  StartWith(0x0205);
  ASSERT_EQ(Launch(VOLUME_LIMIT_POPUP), 1);
  EXPECT_EQ(Check("expect not running KoruPopupWindow.exe\n"), "held") << "Settle ran to it";
  EXPECT_EQ(Check("expect terminated KoruPopupWindow.exe 1\n"),
            "C:\\Program Files\\Koru Audio\\KoruPopupWindow.exe exited with 1");
  ASSERT_EQ(Launch(CHIME_WINDOW), 1);
  EXPECT_EQ(Check("popup-exit ChimeWindow.exe 7\nexpect not running ChimeWindow.exe\n"), "held");
  Play("popup KoruPopupWindow.exe stays\n");
  ASSERT_EQ(Launch(VOLUME_LIMIT_POPUP), 1);
  EXPECT_EQ(Check("expect running KoruPopupWindow.exe\n"), "held");
}

TEST_F(PopupStepsTest, PopupExitWithNothingRunningFailsTheRun) {
  std::ostringstream out;
  std::ostringstream err;
  int status = scn::RunScenario("popup-exit ChimeWindow.exe 1\n", "t.scn", {}, out, err);
  EXPECT_EQ(status, 1) << out.str() << err.str();
  EXPECT_NE(out.str().find("popup-exit: no program of ChimeWindow.exe runs"), std::string::npos)
      << out.str();
  // The run's machine problem is the scenario's, not this test's.
  sim::Reset();
}

}  // namespace
}  // namespace koru
