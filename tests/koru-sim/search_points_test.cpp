// The search points of a scenario: ordered expectations move past what they
// match, "no" looks only after the point, mark moves every point to the end
// of its log, and seen looks at everything since the last mark.
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
    {"ordered expectations follow the trace",
     R"(run install
expect trace "Entry of registryEntry"
expect trace "Connect to registry"
expect trace ~"serviceVersion.version"
expect trace "NonHDMIPriority Version"
)",
     0,
     {"koru-sim: 4 passed, 0 failed\n"}},
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
    {"each match consumes one line, of two runs",
     R"(run install
run install
expect trace "Connect to registry"
expect trace "Connect to registry"
)",
     0,
     {}},
    {"no trace looks only after the search point",
     R"(run install
expect trace "NonHDMIPriority Version"
expect no trace "Entry of registryEntry"
)",
     0,
     {}},
    {"no trace sees what is after the search point",
     R"(run install
expect no trace ~"registryEntry"
)",
     1,
     {"seen instead: trace line 1: \"Entry of registryEntry\""}},
    {"mark moves every search point to the end",
     R"(run install
mark
expect no trace ~""
run
mark
expect no event
)",
     0,
     {}},
    {"nothing is found after a mark",
     R"(run install
mark
expect trace "Connect to registry"
)",
     1,
     {"seen instead: no trace lines after the search point"}},
    {"seen looks since the mark",
     R"(run install
expect trace "Service installed successfully"
expect seen "Entry of registryEntry"
expect seen "NonHDMIPriority Version"
expect no trace ~""
)",
     0,
     {}},
    {"seen does not move the search point",
     R"(run install
expect seen "serviceVersion.version 0xff"
expect trace "Entry of registryEntry"
)",
     0,
     {}},
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
    {"line matches the whole frame",
     R"(clock 09:04:05.007
pid 1312
run install
expect line "09:04:05.007 [1312] KoruAudioService Connect to registry"
expect no trace "Connect to registry"
)",
     0,
     {}},
    {"a line of another process does not match",
     R"(pid 1312
run install
expect line "12:00:00.000 [1313] KoruAudioService Entry of registryEntry"
)",
     1,
     {"1: \"12:00:00.000 [1312] KoruAudioService Entry of registryEntry\""}},
    {"events have their own search point",
     R"(run
run
expect event "StartServiceCtrlDispatcher failed with 1063"
expect trace "Entry of registryEntry"
expect event "StartServiceCtrlDispatcher failed with 1063"
expect no event
)",
     0,
     {}},
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
