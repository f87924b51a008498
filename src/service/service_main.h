// The service main function that the service control dispatcher runs on a
// thread of its own.
#pragma once

#include "platform/win32.h"

// Arguments are ignored.
void WINAPI ServiceMain(DWORD argc, LPWSTR* argv);

// A step of the start-up: from this call on, the control handler receives
// the arrivals and removals of the codec's interfaces. The registration
// lasts as long as the process.
void RegisterForCodecEvents();
