// The recovery probe: with the fault lifted, the service is brought back to
// running with a device connection from wherever the fault left it, and the
// next jack events must be handled.
#pragma once

#include "service_life.h"
#include "step_player.h"

namespace koru::sweep {

void Recover(StepPlayer& player, const FaultCase& fault, Life life);

}  // namespace koru::sweep
