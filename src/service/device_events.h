// The device events of the codec's interface class, as the control handler
// receives them: an arrival starts a connection when none is active, a
// removal ends the active one.
#pragma once

#include "platform/win32.h"

// Any interface of the class counts; which one the event names is not
// looked at. The service's state is reported again, unchanged.
void HandleDeviceEvent(DWORD eventType, LPVOID eventData);
