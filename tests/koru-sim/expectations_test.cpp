// What the expectations report when they fail: the value seen instead, in
// the language's own notation.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "runner.h"

namespace koru::scn {
namespace {

class Expectations : public ::testing::Test {
 protected:
  int Run(const std::string& text, const RunOptions& options = {}) {
    out_.str("");
    err_.str("");
    return RunScenario(text, "t.scn", options, out_, err_);
  }
  // The "seen instead" of the failure on `line`.
  std::string SeenAt(int line) const {
    std::string out = out_.str();
    std::string head = "t.scn:" + std::to_string(line) + ": ";
    size_t at = out.find(head);
    if (at == std::string::npos) return "(no failure on line " + std::to_string(line) + ")";
    size_t seen = out.find("seen instead: ", at);
    size_t end = out.find('\n', seen);
    return out.substr(seen + 14, end - seen - 14);
  }

  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(Expectations, RegistryValuesShowTheirTypeAndValue) {
  EXPECT_EQ(Run(R"(registry VolumeLimit = sz "abc"
registry Other = 7
expect registry VolumeLimit = 30
expect registry VolumeLimit = sz "abc"
expect registry VolumeLimit = sz "abd"
expect registry Missing = 1
expect registry Other missing
expect registry key missing
expect registry Other = 7
)"),
            1);
  EXPECT_EQ(SeenAt(3), "= sz \"abc\"");
  EXPECT_EQ(SeenAt(5), "= sz \"abc\"");
  EXPECT_EQ(SeenAt(6), "missing");
  EXPECT_EQ(SeenAt(7), "= 7 (0x7)");
  EXPECT_EQ(SeenAt(8), "HKEY_CLASSES_ROOT\\KoruAudio exists");
  EXPECT_NE(out_.str().find("koru-sim: 2 passed, 5 failed\n"), std::string::npos) << out_.str();
}

TEST_F(Expectations, ExitNeedsARun) {
  EXPECT_EQ(Run("expect exit 0\n"), 1);
  EXPECT_EQ(SeenAt(1), "no run yet");
}

TEST_F(Expectations, ServiceShowsTheRegistrationSeen) {
  EXPECT_EQ(Run(R"(expect service KoruAudioService
path "C:\\K\\KoruAudioService.exe"
run install
expect service KoruAudioService start=3
expect service Other
)"),
            1);
  EXPECT_EQ(SeenAt(1), "no service of that name is registered");
  EXPECT_EQ(SeenAt(4),
            "path=\"\\\"C:\\\\K\\\\KoruAudioService.exe\\\"\" display=\"KoruAudioService\" start=2 "
            "type=0x10 error=1 access=0xF01FF account=system");
  EXPECT_EQ(SeenAt(5), "no service of that name is registered");
}

TEST_F(Expectations, EventsShowTheRecordsSeen) {
  EXPECT_EQ(Run(R"(run
expect event "StartServiceCtrlDispatcher failed with 1063" id=0xC0020002
)"),
            1);
  EXPECT_NE(out_.str().find("1 events after the search point, none matching:\n      1: "
                            "source=\"KoruAudioService\" id=0xC0020001 type=1 strings: "
                            "\"KoruAudioService\" \"StartServiceCtrlDispatcher failed with 1063\""),
            std::string::npos)
      << out_.str();
}

TEST_F(Expectations, StateIsLoadedBeforeAndSavedAfterTheRun) {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("koru-sim-state-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  RunOptions options;
  options.stateDir = (dir / "nested").string();

  EXPECT_EQ(Run("run install\nexpect trace \"Registry key's dwDisposition is 1\"\n"
                "registry VolumeLimit = 44\n",
                options),
            0)
      << out_.str() << err_.str();
  EXPECT_TRUE(std::filesystem::exists(dir / "nested" / "registry.txt"));
  EXPECT_EQ(Run("expect registry VolumeLimit = 44\nrun install\n"
                "expect trace \"Registry key's dwDisposition is 2\"\n",
                options),
            0)
      << out_.str() << err_.str();

  std::ofstream(dir / "nested" / "registry.txt") << "not a registry {{{\n";
  EXPECT_EQ(Run("run install\n", options), 2);
  EXPECT_NE(err_.str().find("is not a saved registry"), std::string::npos) << err_.str();
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace koru::scn
