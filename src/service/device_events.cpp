// Arrival and removal events of the codec's interface.
#include "service/device_events.h"

#include "diagnostics/trace.h"
#include "service/connection_teardown.h"
#include "service/service_status.h"
#include "service/shared_objects.h"
#include "service/worker_threads.h"

namespace {

void HandleArrival(LPVOID eventData) {
  WriteTrace(L"Entry the DeviceEvent DBT_DEVICEARRIVAL");
  const auto* header = static_cast<const DEV_BROADCAST_HDR*>(eventData);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
  WriteTrace(L"Entry the DeviceEvent DBT_DEVICEARRIVAL: DBT_DEVTYP_DEVICEINTERFACE");
  if (connectorActive->load() != 0) return;
  WriteTrace(L"Attemp to connect to the new device");
  StartWorker(Thread_5);
}

}  // namespace

void HandleDeviceEvent(DWORD eventType, LPVOID eventData) {
  WriteTrace(L"Entry the DeviceEvent Handle");
  switch (eventType) {
    case DBT_DEVICEARRIVAL:
      HandleArrival(eventData);
      break;
    case DBT_DEVICEQUERYREMOVE:
      WriteTrace(L"Entry the DeviceEvent DBT_DEVICEQUERYREMOVE");
      TearDownAfterRemoval();
      break;
    case DBT_DEVICEQUERYREMOVEFAILED:
      WriteTrace(L"Entry the DeviceEvent DBT_DEVICEQUERYREMOVEFAILED");
      TearDownAfterRemoval();
      break;
    case DBT_DEVICEREMOVECOMPLETE:
      WriteTrace(L"Entry the DeviceEvent DBT_DEVICEREMOVECOMPLETE");
      TearDownAfterRemoval();
      break;
    default:
      break;
  }
  ReportCurrentServiceState();
}
