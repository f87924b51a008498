// The one way each request shape reaches the codec driver: a synchronous
// DeviceIoControl of one byte in or out, on a handle opened for synchronous
// I/O. No caller builds a DeviceIoControl of its own.
#pragma once

#include "device/driver_protocol.h"
#include "platform/unique_handle.h"
#include "platform/win32.h"

// What a jack-state request returned: whether the call succeeded, the byte
// count the driver reported and the output byte (0 unless the driver wrote
// it).
struct JackStateReply {
  BOOL succeeded = FALSE;
  DWORD bytesReturned = 0;
  BYTE type = 0;
};

// Opens a device path for reading and writing, shared, for synchronous I/O.
UniqueFileHandle OpenCodecDevice(LPCWSTR devicePath);

// IOCTL_CMD_JACKSTATE_NOTIFY or IOCTL_CMD_JACKSTATE_INITIAL: no input, one
// byte out. Blocks until the driver completes it.
JackStateReply SendJackStateRequest(HANDLE device, DWORD code);
// A request of one input byte and no output: the two finish requests, the
// switch answer and the mute-state notification. The byte count is not
// examined.
BOOL SendByteRequest(HANDLE device, DWORD code, BYTE input);

// The audio switch window's answer, on the watcher's own handle.
inline BOOL SendSwitchAnswer(HANDLE ownDevice, SwitchAnswer answer) {
  return SendByteRequest(ownDevice, IOCTL_CMD_JACKNOTIFY_FINISH_HEADPHONE, answer);
}
