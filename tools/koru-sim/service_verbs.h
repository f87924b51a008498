// The scenario steps and expectations of the service control manager: the
// service's start, its controls, the machine's restart, and its status.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "verbs.h"

namespace koru::scn {

void AddServiceVerbs(VerbTable& table);
void AddServiceExpectations(VerbTable& table);

// The states as scenarios name them (STOPPED, START_PENDING, ...).
std::optional<uint32_t> ServiceStateCode(std::string_view name);
std::string ServiceStateName(uint32_t state);

}  // namespace koru::scn
