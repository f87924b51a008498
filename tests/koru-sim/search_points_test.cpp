// The search points of a scenario, seen through the runs they make fail (the
// scenario files are the runs they let hold): an expectation does not look
// behind its point and consumes what it matches, "no" sees what is after
// the point, mark moves every point to the end, seen stops at the last mark.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "runner.h"

namespace koru::scn {
namespace {

// A run, its exit status and what its report must show. The first start
// of the service on a clean machine traces, in this order, among others:
// "Entry of registryEntry", "Connect to registry", ...,
// "serviceVersion.version 0xff", ..., "NonHDMIPriority Version".
struct RunCase {
  const char* what;
  const char* text;
  int status;
  std::vector<std::string> shows;
};

const RunCase kCases[] = {
    {"an expectation does not look behind its search point",
     R"(run install
expect trace "Connect to registry"
expect trace "Entry of registryEntry"
)",
     1,
     {"t.scn:3: expect trace \"Entry of registryEntry\"\n    seen instead: ",
      "(it was traced earlier, as trace line 1, before the search point)",
      "koru-sim: 1 passed, 1 failed\n"}},
    {"each match consumes one line",
     R"(run install
expect trace "Connect to registry"
expect trace "Connect to registry"
)",
     1,
     {}},
    {"no trace sees what is after the search point",
     R"(run install
expect no trace ~"registryEntry"
)",
     1,
     {"seen instead: trace line 1: \"Entry of registryEntry\""}},
    {"nothing is found after a mark",
     R"(run install
mark
expect trace "Connect to registry"
)",
     1,
     {"seen instead: no trace lines after the search point"}},
    {"seen does not look before the mark",
     R"(run install
mark
run install
expect seen "Registry key's dwDisposition is 2"
expect seen "Registry key's dwDisposition is 1"
)",
     1,
     {"t.scn:5: expect seen \"Registry key's dwDisposition is 1\"\n    seen instead: ",
      "trace lines since the last mark, none matching:"}},
    {"a line of another process does not match",
     R"(pid 1312
run install
expect line "12:00:00.000 [1313] KoruAudioService Entry of registryEntry"
)",
     1,
     {"1: \"12:00:00.000 [1312] KoruAudioService Entry of registryEntry\""}},
    {"each event matches once",
     R"(run
expect event "StartServiceCtrlDispatcher failed with 1063"
expect event "StartServiceCtrlDispatcher failed with 1063"
)",
     1,
     {}},
    {"a failure does not stop the run",
     R"(run install
expect exit 3
expect trace "no such line"
expect exit 0
expect registry VolumeLimit = 31
)",
     1,
     {"t.scn:2: expect exit 3\n    seen instead: exit 0\n",
      "t.scn:5: expect registry VolumeLimit = 31\n    seen instead: = 30 (0x1E)\n",
      "koru-sim: 3 failures:\n", "koru-sim: 1 passed, 3 failed\n"}},
};

TEST(SearchPoints, EachRunHoldsOrFailsAsItsSearchPointsSay) {
  for (const RunCase& c : kCases) {
    SCOPED_TRACE(c.what);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunScenario(c.text, "t.scn", RunOptions{}, out, err), c.status) << out.str();
    for (const std::string& text : c.shows) {
      EXPECT_NE(out.str().find(text), std::string::npos) << text << "\nnot in:\n" << out.str();
    }
  }
}

}  // namespace
}  // namespace koru::scn
