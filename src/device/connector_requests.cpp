// The requests that go out on the connector's own device handle. Each one
// holds a reference to the handle while it runs, so that a Disconnect on
// another thread cannot close the handle under it.
#include "device/device_connector.h"
#include "device/jack_state.h"
#include "service/shared_objects.h"

JackStateReply DeviceConnector::RequestJackState(DWORD code) {
  DeviceHandleRef device = deviceHandle.Acquire();
  if (!device) {
    SetLastError(ERROR_INVALID_HANDLE);
    return {};
  }
  return SendJackStateRequest(device->get(), code);
}

BYTE DeviceConnector::QueryInitialJackType() {
  return InitialJackType(RequestJackState(IOCTL_CMD_JACKSTATE_INITIAL));
}

BYTE DeviceConnector::AwaitJackNotify() {
  JackStateReply reply = RequestJackState(IOCTL_CMD_JACKSTATE_NOTIFY);
  // Read after the wait: the type is compared with the output as it is now.
  return NotifiedJackType(reply, outputType->load());
}

BOOL DeviceConnector::SendFinish(DWORD code, BYTE finishByte) { return SendByte(code, finishByte); }

BOOL DeviceConnector::SendMuteState() {
  return SendByte(IOCTL_CMD_MUTESTATE_NOTIFY, MUTE_STATE_BYTE);
}

BOOL DeviceConnector::SendByte(DWORD code, BYTE input) {
  DeviceHandleRef device = deviceHandle.Acquire();
  if (!device) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return SendByteRequest(device->get(), code, input);
}
