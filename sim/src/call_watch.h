// Instants of one chosen simulated call, for measurements: the controller
// names a call, and from then on the machine notes when each call of that
// name is entered, on any thread. Watching nothing costs the call entry one
// test of an empty name.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace sim {

struct WatchedCalls {
  uint64_t count = 0;
  std::chrono::steady_clock::time_point first;  // valid when count > 0
  std::chrono::steady_clock::time_point last;
};

// Starts watching the calls named `api` (an empty name: none), forgetting
// what was noted before. Controller only; takes the machine lock.
void WatchCall(const std::string& api);
// What was noted since the last WatchCall.
WatchedCalls Watched();

// From the call entry (lock held): notes the call when it is the watched one.
void NoteWatchedCall(const char* api);

}  // namespace sim
