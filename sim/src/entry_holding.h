// The call entry for simulated functions that only read machine state:
// the same scheduling point, call log and fault verdict as Enter, with the
// machine lock kept for the caller, so that such a call takes the lock once.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

namespace sim {

// `lock` must not own the machine lock on entry; it owns it on return.
std::optional<uint32_t> EnterHolding(const char* api, uint32_t defaultError,
                                     std::unique_lock<std::mutex>& lock);

}  // namespace sim
