// The summary of a run: what the service did, read back from the machine's
// logs, one subject per line.
#include "summary.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "runner.h"
#include "sim/machine.h"

namespace koru::scn {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void Play(const std::string& scenario) {
  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(RunScenario(scenario, "s.scn", RunOptions{}, out, err), 0) << out.str() << err.str();
}

// The speaker from the start-up query, headphones whose switch window asks
// for the console role, a volume-limit popup, and a pre-shutdown that caps
// the stored headphone volume and ends the popup. Without volume mirroring
// and mute reports (0x17d), so that the one setting written is the cap.
TEST(Summary, AccountOfALife) {
  sim::Reset();
  Play(R"(run install
codec present
endpoint speakers render default
endpoint headphones render formfactor=3 jack=1:connected
registry ServiceVersion = 0x17d
registry HeadphoneVolume = 80
popup KoruAudioSwitchWindow.exe answer=1
service start
driver jack 1
control preshutdown
)");
  std::vector<std::string> expected = {
      "==== What the service did ====",
      "Service: STOPPED, 5 status reports",
      "Jack events handled (2): speaker 1, headphone 1",
      "Settings written (1): HeadphoneVolume = 30",
      "Popups started (2):",
      "  KoruAudioSwitchWindow.exe: answered 1",
      "  KoruPopupWindow.exe: ended by the service (exit code 4)",
      "Driver requests (6): FINISH_HEADPHONE 2 (in=0 x1, in=2 x1), FINISH_SPEAKER 1 (in=0 x1), "
      "JACKSTATE_INITIAL 1, JACKSTATE_NOTIFY 2 (1 failed)",
      "Defaults set by the service (2): headphones for multimedia, headphones for communications",
      "Defaults now: render console speakers, multimedia headphones, communications headphones; "
      "capture none",
  };
  EXPECT_EQ(Lines(ServiceSummary()), expected);
}

// A long run still reads in a few lines: equal outcomes are counted.
TEST(Summary, EqualOutcomesAreCountedTogether) {
  sim::Reset();
  Play(R"(run install
codec present
endpoint speakers render default
registry ServiceVersion = 0x3d
service start
repeat 3
  driver jack 1
  driver jack 0
end
)");
  std::vector<std::string> lines = Lines(ServiceSummary());
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[2], "Jack events handled (6): speaker 3, headphone 3");
  EXPECT_EQ(lines[4], "Popups started (3):");
  EXPECT_EQ(lines[5], "  KoruAudioSwitchWindow.exe: ended by the service (exit code 4) (x3)");
}

}  // namespace
}  // namespace koru::scn
