// The service main function that the service control dispatcher runs on a
// thread of its own.
#pragma once

#include "platform/win32.h"

// Arguments are ignored.
void WINAPI ServiceMain(DWORD argc, LPWSTR* argv);
