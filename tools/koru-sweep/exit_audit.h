// The audits of a run beyond the scenario language's: handles a service
// process left open when it ended, and the machine's own problems (hangs, a
// machine that does not settle, exceptions on simulated threads).
#pragma once

#include "fault_case.h"
#include "step_player.h"

namespace koru::sweep {

// The last service process to end left open only the handles the service
// keeps for its whole life, and those that the faulty call failed to
// release.
void AuditProcessEnd(StepPlayer& player, const FaultCase& fault);
void AuditMachine(StepPlayer& player);

}  // namespace koru::sweep
