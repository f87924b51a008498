// The scenario steps of the audio stack's endpoints (set up, changed by the
// user, arriving and going) and the expectations on endpoints, defaults
// and the COM audit.
#pragma once

#include <string>

#include "sim/audio.h"
#include "verbs.h"

namespace koru::scn {

void AddEndpointVerbs(VerbTable& table);
void AddEndpointExpectations(VerbTable& table);

// An endpoint's flow or role as scenarios name them; throw FileError.
EDataFlow FlowNamed(const std::string& name);
ERole RoleNamed(const std::string& name);

}  // namespace koru::scn
