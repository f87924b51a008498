// The connector thread: starts the workers of one device connection, opens
// the device, runs the connector routine until the connection ends, and
// winds the connection down unless the control handler ended it.
#include "device/device_connector.h"
#include "diagnostics/trace.h"
#include "endpoint/endpoint_callback.h"
#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "platform/com_apartment.h"
#include "service/connection.h"
#include "service/shared_objects.h"
#include "service/worker_threads.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"

namespace {

void StartWorkers() {
  StartWorker(Thread_1);
  if (IsFeatureOn(MuteStaeReport)) StartWorker(Thread_6);
  if (IsFeatureOn(VolumeLimitPopupWindow)) StartWorker(Thread_3);
}

// The watcher opens its own handle from the path of the interface that the
// device was opened through, and frees the block when it ends.
void StartSwitchWindowWatcher() {
  PSP_DEVICE_INTERFACE_DETAIL_DATA_W block = codecDevice->HandOverFirstDetailBlock();
  if (block == nullptr) return;
  if (!StartWorker(Thread_4, block)) HeapFree(GetProcessHeap(), 0, block);
}

// The connector thread's own wind-down also ends a chime window, which has
// no watcher to wake.
void WindDown() {
  if (IsFeatureOn(ChimeWindowUsed)) popupSlots[CHIME_WINDOW]->End();
  WindDownConnection();
}

// False when the device could not be opened.
bool OpenDevice() {
  WriteTrace(L"Construct");
  if (!codecDevice->Connect()) {
    WriteTrace(L"DeviceConnect failed!");
    return false;
  }
  WriteTrace(L"Device connect successfully");
  codecDevice->connected.store(1);
  IgnoreTrigger->store(0);
  return true;
}

// Whether this thread still owns its connection and must wind it down: the
// control handler may have taken it over, and then does that itself.
bool TakeOverEnd() { return connectorActive->exchange(0) != 0; }

}  // namespace

DWORD WINAPI Thread_2(LPVOID) {
  JoinComApartment();
  codecDevice->EnterInitialState();
  StartWorkers();
  if (!OpenDevice()) {
    bool owned = TakeOverEnd();
    WriteTrace(L"Device Init Failed");
    if (owned) WindDown();
    return 0;
  }
  if (connectorActive->load() != 0) {
    if (IsFeatureOn(SwitchPopupWindow)) StartSwitchWindowWatcher();
    // A snapshot of the endpoint object as it is now, released when the
    // routine returns.
    codecDevice->Run(*serviceEndpoint);
  }
  if (TakeOverEnd()) WindDown();
  return 0;
}
