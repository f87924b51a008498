// The connector's reading of jack-state replies, with their trace lines.
#include "device/jack_state.h"

#include "diagnostics/trace.h"

BYTE InitialJackType(const JackStateReply& reply) {
  if (!reply.succeeded) {
    WriteTrace(L"DeviceIoControl failed!");
    return JACK_END;
  }
  if (reply.bytesReturned != sizeof(reply.type)) {
    WriteTrace(L"DeviceIoControl failed on bufferSize error!");
    WriteTrace(L"Type is: %d", reply.type);
  }
  return reply.type;
}

BYTE NotifiedJackType(const JackStateReply& reply, BYTE outputType) {
  if (!reply.succeeded) {
    WriteTrace(L"DeviceIoControl failed!");
    return JACK_END;
  }
  if (reply.bytesReturned != sizeof(reply.type)) {
    WriteTrace(L"DeviceIoControl failed on bufferSize error!");
    return JACK_END;
  }
  if (reply.type != outputType) WriteTrace(L"DeviceIoControl succeed!");
  return reply.type;
}
