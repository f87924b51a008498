// The start-up trace of the feature word: its value, then one line per
// traced flag saying whether it is on.
#pragma once

#include "platform/win32.h"

void TraceServiceVersion(DWORD version);
