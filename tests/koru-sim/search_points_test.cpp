// The search points of a scenario: ordered expectations move past what they
// match, "no" looks only after the point, mark moves every point to the end
// of its log, and seen looks at everything since the last mark.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "runner.h"

namespace koru::scn {
namespace {

// The first start of the service on a clean machine traces, in this order,
// among others: "Entry of registryEntry", "Connect to registry", ...,
// "serviceVersion.version 0xff", ..., "NonHDMIPriority Version".
class SearchPoints : public ::testing::Test {
 protected:
  int Run(const std::string& text) {
    out_.str("");
    return RunScenario(text, "t.scn", RunOptions{}, out_, err_);
  }
  std::string Out() const { return out_.str(); }

  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(SearchPoints, OrderedExpectationsFollowTheTrace) {
  EXPECT_EQ(Run(R"(run install
expect trace "Entry of registryEntry"
expect trace "Connect to registry"
expect trace ~"serviceVersion.version"
expect trace "NonHDMIPriority Version"
)"),
            0)
      << Out();
  EXPECT_EQ(Out(), "koru-sim: 4 passed, 0 failed\n");
}

TEST_F(SearchPoints, AnExpectationDoesNotLookBehindItsSearchPoint) {
  EXPECT_EQ(Run(R"(run install
expect trace "Connect to registry"
expect trace "Entry of registryEntry"
)"),
            1);
  EXPECT_NE(Out().find("t.scn:3: expect trace \"Entry of registryEntry\"\n"
                       "    seen instead: "),
            std::string::npos)
      << Out();
  EXPECT_NE(Out().find("(it was traced earlier, as trace line 1, before the search point)"),
            std::string::npos)
      << Out();
  EXPECT_NE(Out().find("koru-sim: 1 passed, 1 failed\n"), std::string::npos) << Out();
}

TEST_F(SearchPoints, EachMatchConsumesOneLine) {
  EXPECT_EQ(Run(R"(run install
expect trace "Connect to registry"
expect trace "Connect to registry"
)"),
            1)
      << Out();
  EXPECT_EQ(Run(R"(run install
run install
expect trace "Connect to registry"
expect trace "Connect to registry"
)"),
            0)
      << Out();
}

TEST_F(SearchPoints, NoTraceLooksOnlyAfterTheSearchPoint) {
  EXPECT_EQ(Run(R"(run install
expect trace "NonHDMIPriority Version"
expect no trace "Entry of registryEntry"
)"),
            0)
      << Out();
  EXPECT_EQ(Run(R"(run install
expect no trace ~"registryEntry"
)"),
            1);
  EXPECT_NE(Out().find("seen instead: trace line 1: \"Entry of registryEntry\""), std::string::npos)
      << Out();
}

TEST_F(SearchPoints, MarkMovesEverySearchPointToTheEnd) {
  EXPECT_EQ(Run(R"(run install
mark
expect no trace ~""
run
mark
expect no event
)"),
            0)
      << Out();
  EXPECT_EQ(Run(R"(run install
mark
expect trace "Connect to registry"
)"),
            1);
  EXPECT_NE(Out().find("seen instead: no trace lines after the search point"), std::string::npos)
      << Out();
}

TEST_F(SearchPoints, SeenLooksSinceTheMarkWithoutMoving) {
  EXPECT_EQ(Run(R"(run install
expect trace "Service installed successfully"
expect seen "Entry of registryEntry"
expect seen "NonHDMIPriority Version"
expect no trace ~""
)"),
            0)
      << Out();
  EXPECT_EQ(Run(R"(run install
expect seen "serviceVersion.version 0xff"
expect trace "Entry of registryEntry"
)"),
            0)
      << "seen must not move the search point\n"
      << Out();
  EXPECT_EQ(Run(R"(run install
mark
run install
expect seen "Registry key's dwDisposition is 2"
expect seen "Registry key's dwDisposition is 1"
)"),
            1);
  EXPECT_NE(Out().find("t.scn:5: expect seen \"Registry key's dwDisposition is 1\"\n"
                       "    seen instead: "),
            std::string::npos)
      << Out();
  EXPECT_NE(Out().find("trace lines since the last mark, none matching:"), std::string::npos)
      << Out();
}

TEST_F(SearchPoints, LineMatchesTheWholeFrame) {
  EXPECT_EQ(Run(R"(clock 09:04:05.007
pid 1312
run install
expect line "09:04:05.007 [1312] KoruAudioService Connect to registry"
expect no trace "Connect to registry"
)"),
            0)
      << Out();
  EXPECT_EQ(Run(R"(pid 1312
run install
expect line "12:00:00.000 [1313] KoruAudioService Entry of registryEntry"
)"),
            1);
  EXPECT_NE(Out().find("1: \"12:00:00.000 [1312] KoruAudioService Entry of registryEntry\""),
            std::string::npos)
      << Out();
}

TEST_F(SearchPoints, EventsHaveTheirOwnSearchPoint) {
  EXPECT_EQ(Run(R"(run
run
expect event "StartServiceCtrlDispatcher failed with 1063"
expect trace "Entry of registryEntry"
expect event "StartServiceCtrlDispatcher failed with 1063"
expect no event
)"),
            0)
      << Out();
  EXPECT_EQ(Run(R"(run
expect event "StartServiceCtrlDispatcher failed with 1063"
expect event "StartServiceCtrlDispatcher failed with 1063"
)"),
            1)
      << Out();
}

TEST_F(SearchPoints, AFailureDoesNotStopTheRun) {
  EXPECT_EQ(Run(R"(run install
expect exit 3
expect trace "no such line"
expect exit 0
expect registry VolumeLimit = 31
)"),
            1);
  EXPECT_NE(Out().find("t.scn:2: expect exit 3\n    seen instead: exit 0\n"), std::string::npos)
      << Out();
  EXPECT_NE(
      Out().find("t.scn:5: expect registry VolumeLimit = 31\n    seen instead: = 30 (0x1E)\n"),
      std::string::npos)
      << Out();
  EXPECT_NE(Out().find("koru-sim: 3 failures:\n"), std::string::npos) << Out();
  EXPECT_NE(Out().find("koru-sim: 1 passed, 3 failed\n"), std::string::npos) << Out();
}

}  // namespace
}  // namespace koru::scn
