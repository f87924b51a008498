// Opening the codec device and the two shapes of its requests.
#include "device/driver_requests.h"

UniqueFileHandle OpenCodecDevice(LPCWSTR devicePath) {
  // Flags and attributes 0: synchronous I/O, so that the system carries out
  // the requests on one handle one at a time.
  return UniqueFileHandle(CreateFileW(devicePath, GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
}

JackStateReply SendJackStateRequest(HANDLE device, DWORD code) {
  JackStateReply reply;
  reply.succeeded = DeviceIoControl(device, code, nullptr, 0, &reply.type, sizeof(reply.type),
                                    &reply.bytesReturned, nullptr);
  return reply;
}

BOOL SendByteRequest(HANDLE device, DWORD code, BYTE input) {
  DWORD bytesReturned = 0;
  return DeviceIoControl(device, code, &input, sizeof(input), nullptr, 0, &bytesReturned, nullptr);
}
