// The service main function: start-up, the wait for the stop, and the stop.
#include "service/service_main.h"

#include "device/driver_protocol.h"
#include "diagnostics/event_report.h"
#include "diagnostics/trace.h"
#include "endpoint/endpoint_callback.h"
#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "platform/com_apartment.h"
#include "service/connection.h"
#include "service/control_handler.h"
#include "service/service_status.h"
#include "service/shared_objects.h"

namespace {

constexpr DWORD START_WAIT_HINT_MS = 3000;
// How often a failing wait for the stop is tried, a second apart, before
// the service stops as if it had been stopped.
constexpr int STOP_WAIT_ATTEMPTS = 10;

void StartConnection() {
  ConnectorLockGuard guard;
  StartConnectorThread();
}

// The popups that the user would otherwise answer after the service is
// gone. A running chime window stays.
void EndPopupsAtStop() {
  popupSlots[VOLUME_LIMIT_POPUP]->End();
  popupSlots[SWITCH_WINDOW]->End();
}

// A connector thread that is winding its connection down disposes of the
// endpoint side itself; it finishes first, so that the side is disposed of
// once.
void DisposeEndpointSide() {
  {
    ConnectorLockGuard guard;
    if (connectorActive->load() == 0) WaitForEndedConnector();
  }
  if (serviceEndpoint->notifyRegistered.load() != 0) serviceEndpoint->Dispose();
}

// Only the control handler's stop ends the service: a wait that fails is
// tried again.
void WaitForStop(HANDLE stopEvent) {
  for (int attempt = 0; attempt < STOP_WAIT_ATTEMPTS; ++attempt) {
    if (WaitForSingleObject(stopEvent, INFINITE) == WAIT_OBJECT_0) return;
    PauseOneSecond();
  }
}

// Reports running, waits for the control handler's stop and ends what the
// service leaves behind. Returns the exit code of the stop: an error when
// the stop event could not be created, so that the service stops at once.
DWORD RunUntilStopped() {
  HANDLE stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (stopEvent == nullptr) return GetLastError();
  // Lives until the process ends.
  *hStopEvent = stopEvent;
  ReportServiceStatus(SERVICE_RUNNING, NO_ERROR, 0);
  WaitForStop(stopEvent);
  WriteTrace(L"System stop");
  EndPopupsAtStop();
  DisposeEndpointSide();
  return NO_ERROR;
}

}  // namespace

// The registration is never undone: it lives until the process ends, the
// one handle besides the shared objects' that the audit lists at exit.
void RegisterForCodecEvents() {
  DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = GUID_DEVINTERFACE_CODEC;
  RegisterDeviceNotificationW(ServiceStatusHandle(), &filter, DEVICE_NOTIFY_SERVICE_HANDLE);
}

// A start that cannot create its first semaphore or join COM stays
// start-pending: the service control manager fails it when its wait ends.
void WINAPI ServiceMain(DWORD, LPWSTR*) {
  if (RegisterStatusHandle(ServiceControlHandler) == nullptr) {
    ReportServiceError(L"RegisterServiceCtrlHandler");
    return;
  }
  ReportServiceStatus(SERVICE_START_PENDING, NO_ERROR, START_WAIT_HINT_MS);
  if (!CreateSharedObjects()) return;
  if (FAILED(JoinComApartment())) return;
  serviceEndpoint->Reset();
  serviceEndpoint->Initialize();
  StartConnection();
  RegisterForCodecEvents();
  DWORD exitCode = RunUntilStopped();
  ReportServiceStatus(SERVICE_STOPPED, exitCode, 0);
}
