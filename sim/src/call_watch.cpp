// The one watched call and the instants noted for it.
#include "call_watch.h"

#include <cstring>

#include "kernel.h"

namespace sim {
namespace {

struct Watch {
  std::string api;
  WatchedCalls calls;
};

// Lock held. Never destroyed, so that nothing depends on the order of
// static destruction at exit.
Watch& W() {
  static auto* watch = new Watch;
  return *watch;
}

// Reset hooks run while no simulated thread runs; they take no lock.
void ResetWatch() { W() = Watch{}; }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetWatch), true);

}  // namespace

void WatchCall(const std::string& api) {
  auto lock = Lock();
  W() = Watch{api, {}};
}

WatchedCalls Watched() {
  auto lock = Lock();
  return W().calls;
}

void NoteWatchedCall(const char* api) {
  Watch& watch = W();
  if (watch.api.empty() || std::strcmp(watch.api.c_str(), api) != 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (watch.calls.count++ == 0) watch.calls.first = now;
  watch.calls.last = now;
}

}  // namespace sim
