// One run of the sweep: which simulated call fails, and when.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sim/machine.h"

namespace koru::sweep {

// When the call fails: once at its first use, once at a use half-way
// through the demo's uses of it, or from its first use on.
enum class Mode { First, Later, Always };

struct FaultCase {
  std::string api;
  Mode mode = Mode::First;
  uint64_t uses = 0;  // how often the demo makes the call without a fault
  // The call is made only by the demo's closing control: the fault is
  // planned for that part, and the service is probed after it.
  bool atEnd = false;
};

const char* ModeName(Mode mode);
std::optional<Mode> ModeFromName(const std::string& name);

// The fault plan for the case.
sim::FaultSpec PlanOf(const FaultCase& fault);

// The modes a call with `uses` uses is swept in: a later use only when
// there is a use after the first.
bool WorthRunning(Mode mode, uint64_t uses);

}  // namespace koru::sweep
