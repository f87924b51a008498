// Flags and values that the service's threads share without locks.
#pragma once

#include <atomic>
#include <cstdint>

#include "service/process_wide.h"

// The current output kind kept by the device connector: 0 speaker,
// 1 headphone.
extern ProcessWide<std::atomic<std::uint8_t>> outputType;
