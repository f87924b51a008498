// The machine's clock: virtual milliseconds that only the controller moves,
// or the wall clock in real-time mode.
#pragma once

#include <chrono>
#include <cstdint>

namespace sim {

// Moves the virtual clock forward to `ms` (never back). In real-time mode it
// cannot be moved; the controller waits instead.
void SetVirtualNow(uint64_t ms);
void ResetClock(bool realTime);
// The steady-clock instant of machine time `ms`, for real-time waits.
std::chrono::steady_clock::time_point RealTimeOf(uint64_t ms);

}  // namespace sim
