// A storm: the set-up and a stream of events played step by step on a new
// simulated machine, as koru-sim plays a scenario, with the invariants
// checked after every step.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>

#include "choices.h"
#include "invariants.h"
#include "sim/machine.h"

namespace koru::storm {

struct StormResult {
  size_t eventsPlayed = 0;
  std::optional<Violation> violation;
  std::string failingStep;  // the step after which it was seen
};

// Plays the set-up and then events from `choices` until `events` have been
// played or the choices run dry; stops at the first broken invariant. Then
// ends the service process as koru-sim does at the end of a scenario and
// takes the audits once more. Every step goes to `record` as it is played,
// one scenario line each (a control that the manager refused is recorded
// with "refused", as it happened); after a broken invariant the step that
// checks it, or a comment that names it, follows.
StormResult RunStorm(Choices& choices, size_t events, const sim::Options& machine,
                     std::ostream& record);

// The step the storm is playing now, for a report that the machine makes
// from one of its own threads while the step runs (a hang, a spin).
const std::string& StepBeingPlayed();

// "koru-sim run FILE --seed N" (or "--free") for the options.
std::string ReplayCommand(const std::string& file, const sim::Options& machine);

}  // namespace koru::storm
