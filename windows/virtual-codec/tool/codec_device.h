// The codec's device interface as the console tool reaches it: found the way
// the service finds it, and the test source's request sent over it.
#pragma once

#include "device/device_handles.h"
#include "platform/unique_handle.h"
#include "platform/win32.h"

#include "../codec_test_protocol.h"

// Whether an interface of the codec's class is present.
bool CodecInterfacePresent();

// Opens the first present interface of the codec's class, as the service
// does; prints what failed and returns an empty handle on failure.
UniqueFileHandle OpenCodecInterface();

// Sends one test command; out may be null. Prints what failed.
bool SendTestCommand(HANDLE device, const KORU_TEST_COMMAND& command, void* out, DWORD outSize);
