// The mute-state thread: an unmute after a mute is reported to the driver.
#include "device/device_connector.h"
#include "diagnostics/trace.h"
#include "service/shared_objects.h"
#include "service/worker_threads.h"

namespace {

void ReportMuteState() {
  muteNotifyInFlight->store(1);
  BOOL sent = FALSE;
  if (codecDevice->connected.load() != 0) {
    sent = codecDevice->SendMuteState();
  } else {
    WriteTrace(L"Device not connect yet");
  }
  muteSeen->store(0);
  muteNotifyInFlight->store(0);
  WriteTrace(L"IOCTL_CMD_MUTESTATE_NOTIFY status: %d", sent);
}

}  // namespace

DWORD WINAPI Thread_6(LPVOID) {
  while (WaitForWakeUp(*hMuteStateSemaphore) && connectorActive->load() != 0) ReportMuteState();
  WriteTrace(L"Thread_6 terminate");
  return 0;
}
