// The fault plans of the sweep's modes.
#include "fault_case.h"

namespace koru::sweep {

const char* ModeName(Mode mode) {
  switch (mode) {
    case Mode::First:
      return "first";
    case Mode::Later:
      return "later";
    case Mode::Always:
      return "always";
  }
  return "?";
}

std::optional<Mode> ModeFromName(const std::string& name) {
  for (Mode mode : {Mode::First, Mode::Later, Mode::Always}) {
    if (name == ModeName(mode)) return mode;
  }
  return std::nullopt;
}

sim::FaultSpec PlanOf(const FaultCase& fault) {
  sim::FaultSpec plan;
  if (fault.mode == Mode::Always) plan.always = true;
  if (fault.mode == Mode::Later) plan.skip = static_cast<uint32_t>(fault.uses / 2);
  return plan;
}

bool WorthRunning(Mode mode, uint64_t uses) { return mode != Mode::Later || uses >= 2; }

}  // namespace koru::sweep
