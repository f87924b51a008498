// The fault plan and the call log behind Enter.
#pragma once

#include <cstdint>
#include <optional>

namespace sim {

// The error the call must fail with now, when the plan says so (lock held).
std::optional<uint32_t> FaultVerdict(const char* api, uint32_t defaultError);
// Counts one call in the call log (lock held).
void CountCall(const char* api);
void ResetFaultsAndCalls();

}  // namespace sim
