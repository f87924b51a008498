// The service's documented state after each failure. Start-up gives up on
// a few calls, a few others leave the service stalled in a way only a new
// start mends; after any other failure the service runs on, connected, or
// without a connection until the codec's next arrival.
#include <string>

#include "service_life.h"

namespace koru::sweep {
namespace {

// The modes an entry covers: the first use and for good, unless it says.
enum Modes { FirstAndAlways, OnlyLater, OnlyAlways };

struct DocumentedFailure {
  const char* api;
  Modes modes;
  Life life;
  const char* restoring = nullptr;  // when the state's usual remedy does not mend it
};

constexpr DocumentedFailure kDocumented[] = {
    // The install registers nothing (it needs its own path and the manager).
    {"GetModuleFileNameW", FirstAndAlways, Life::NotInstalled},
    {"OpenSCManagerW", FirstAndAlways, Life::NotInstalled},
    {"CreateServiceW", FirstAndAlways, Life::NotInstalled},
    // Without the endpoint object's lock start-up fails and the process
    // ends: the install's (the first use) and the service's (the later).
    {"InitializeCriticalSectionEx", FirstAndAlways, Life::NotInstalled},
    {"InitializeCriticalSectionEx", OnlyLater, Life::Stopped},
    // The process cannot become a service: an event-log record, then it ends.
    {"StartServiceCtrlDispatcherW", FirstAndAlways, Life::Stopped},
    // No control handler: nothing is reported; the manager's wait runs out.
    {"RegisterServiceCtrlHandlerExW", FirstAndAlways, Life::StartPending},
    // No first semaphore, no COM: start-up returns, start-pending.
    {"CreateSemaphoreW", FirstAndAlways, Life::StartPending},
    {"CoInitializeEx", FirstAndAlways, Life::StartPending},
    // No stop event: STOPPED with the error.
    {"CreateEventW", FirstAndAlways, Life::Stopped},
    // The manager never hears of the running service.
    {"SetServiceStatus", OnlyAlways, Life::StartPending},
    // The stop event is never set: the stop does not complete.
    {"SetEvent", FirstAndAlways, Life::StopPending},
    // No registration for the codec's device events: arrivals are never
    // heard, so only a new start connects again.
    {"RegisterDeviceNotificationW", FirstAndAlways, Life::Disconnected,
     "control stop\nservice start\n"},
    // A wait for the stop that keeps failing ends the service.
    {"WaitForSingleObject", OnlyAlways, Life::Stopped},
};

bool Covers(Modes modes, Mode mode) {
  switch (modes) {
    case FirstAndAlways:
      return mode != Mode::Later;
    case OnlyLater:
      return mode == Mode::Later;
    case OnlyAlways:
      return mode == Mode::Always;
  }
  return false;
}

const DocumentedFailure* DocumentedFailureOf(const FaultCase& fault) {
  for (const DocumentedFailure& failure : kDocumented) {
    if (fault.api == failure.api && Covers(failure.modes, fault.mode)) return &failure;
  }
  return nullptr;
}

}  // namespace

// A fault in the demo's closing control: the service has stopped all the
// same.
bool IsDocumentedLife(const FaultCase& fault, Life life) {
  if (const DocumentedFailure* failure = DocumentedFailureOf(fault)) return life == failure->life;
  if (fault.atEnd) return life == Life::Stopped;
  return life == Life::Connected || life == Life::Disconnected;
}

std::string DocumentedLives(const FaultCase& fault) {
  if (const DocumentedFailure* failure = DocumentedFailureOf(fault)) {
    return LifeName(failure->life);
  }
  return fault.atEnd ? LifeName(Life::Stopped) : "running";
}

const char* DocumentedRestoring(const FaultCase& fault) {
  const DocumentedFailure* failure = DocumentedFailureOf(fault);
  return failure != nullptr ? failure->restoring : nullptr;
}

}  // namespace koru::sweep
