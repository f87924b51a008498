// The command line of koru-sim.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runner.h"

namespace koru::scn {

struct CommandLine {
  std::string file;
  RunOptions options;
};

// "run FILE.scn [--trace] [--realtime] [--free] [--seed N] [--state DIR]", the
// options before or after FILE. On a wrong command line: nothing, and
// `error` says why.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string* error);

extern const char kUsage[];

}  // namespace koru::scn
