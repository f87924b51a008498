// The demo as the sweep plays it: its actions only (its expectations would
// fail under faults, and the sweep judges by invariants of its own), cut
// before its closing control, so that the service's state after the
// faulty part can be probed before the demo's own end runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "script.h"

namespace koru::sweep {

struct DemoScript {
  std::vector<scn::Step> body;  // from the machine's set-up to before the closing control
  std::vector<scn::Step> end;   // the closing control and what follows it
};

// Reads and splits the scenario file; nothing, with `error` set, when it
// cannot be read or does not parse.
std::optional<DemoScript> LoadDemo(const std::string& path, std::string* error);

}  // namespace koru::sweep
