// The service's control handler: stop, pre-shutdown and the device events
// of the codec's interface class, one at a time on the process's main
// thread.
#pragma once

#include "platform/win32.h"

// Always NO_ERROR, for every control and event; for a query-remove that
// grants the removal.
DWORD WINAPI ServiceControlHandler(DWORD dwControl, DWORD dwEventType, LPVOID lpEventData,
                                   LPVOID lpContext);
