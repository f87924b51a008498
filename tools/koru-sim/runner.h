// Playing a scenario on a new simulated machine.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace koru::scn {

struct RunOptions {
  bool trace = false;                   // echo every trace line as it is emitted
  bool realTime = false;                // threads in parallel, on the wall clock
  bool freeRunning = false;             // threads in parallel, on the virtual clock
  std::optional<uint64_t> seed;         // seeded scheduling order
  std::optional<std::string> stateDir;  // registry.txt kept there between runs
};

// Exit status of a run: every expectation held, one failed, or the file
// (or the command) is wrong and nothing ran.
enum ExitStatus : int { kAllHeld = 0, kSomeFailed = 1, kFileWrong = 2 };

// Parses and validates `text` as a whole; only then resets the machine and
// plays the steps. Verdicts and the closing line go to `out`, file errors
// to `err`, each as "NAME:LINE: message".
int RunScenario(std::string_view text, const std::string& name, const RunOptions& options,
                std::ostream& out, std::ostream& err);
int RunScenarioFile(const std::string& path, const RunOptions& options, std::ostream& out,
                    std::ostream& err);

}  // namespace koru::scn
