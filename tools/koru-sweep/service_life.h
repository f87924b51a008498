// Where a faulty run left the service, and where the service's documented
// failure handling says it must be.
#pragma once

#include <string>

#include "fault_case.h"

namespace koru::sweep {

enum class Life {
  NotInstalled,  // the install did not register the service
  StartPending,  // the process lives, start-up gave up (or reported nothing)
  Stopped,       // the process has ended
  Disconnected,  // running, no device connection
  Connected,     // running, waiting in the driver for the next jack event
  StopPending,   // running down and not finished: never a documented end
};

const char* LifeName(Life life);

// The machine as it stands now.
Life ObserveLife();

// The state the service's failure handling gives for the case: start-up
// failures leave it start-pending or stopped; every other failure leaves
// it running, connected or waiting for the next arrival of the codec.
bool IsDocumentedLife(const FaultCase& fault, Life life);
std::string DocumentedLives(const FaultCase& fault);
// The steps that bring the service back after the case's fault when the
// usual remedy for its state does not (null: the usual one).
const char* DocumentedRestoring(const FaultCase& fault);

}  // namespace koru::sweep
