// COM apartments of the machine's threads, which the COM calls consult.
#pragma once

#include "sim/win32/base.h"

namespace sim::com {

enum class Apartment { None, SingleThreaded, MultiThreaded };

// The apartment of a thread (lock held); the controller has one of its own.
Apartment ApartmentOf(DWORD threadId);
// The machine's own threads live in the multithreaded apartment, as
// Windows' notification threads do (lock held).
void JoinMultiThreaded(DWORD threadId);

}  // namespace sim::com
