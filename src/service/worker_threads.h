// The routines of the service's threads, and how they are started.
#pragma once

#include "platform/win32.h"

// The endpoint-change thread: rebinds the endpoint side after a change of
// the default device.
DWORD WINAPI Thread_1(LPVOID);
// The connector thread: one device connection from its workers' start to
// its wind-down.
DWORD WINAPI Thread_2(LPVOID);
// The volume-limit popup's watcher.
DWORD WINAPI Thread_3(LPVOID);
// The audio switch window's watcher; takes the detail block of the codec
// interface it opens its own handle from, and frees it.
DWORD WINAPI Thread_4(LPVOID detailBlock);
// The reconnect thread, after an arrival of the codec's interface.
DWORD WINAPI Thread_5(LPVOID);
// The mute-state thread: tells the driver about an unmute after a mute.
DWORD WINAPI Thread_6(LPVOID);

// Starts a thread whose handle nobody needs: it is closed at once, the
// thread runs on. False when the thread could not be created.
bool StartWorker(LPTHREAD_START_ROUTINE routine, LPVOID argument = nullptr);
