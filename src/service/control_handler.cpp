// Dispatching the controls the service accepts, and the stop sequence.
#include "service/control_handler.h"

#include "service/connection_teardown.h"
#include "service/device_events.h"
#include "service/service_status.h"
#include "service/shared_objects.h"

namespace {

// The service main function finishes the stop and reports STOPPED; the
// state is reported again after the wake-up, unless STOPPED came first.
void StopService() {
  ReportServiceStatus(SERVICE_STOP_PENDING, NO_ERROR, 0);
  SetEvent(*hStopEvent);
  ReportCurrentServiceState();
}

}  // namespace

DWORD WINAPI ServiceControlHandler(DWORD dwControl, DWORD dwEventType, LPVOID lpEventData, LPVOID) {
  switch (dwControl) {
    case SERVICE_CONTROL_STOP:
      StopService();
      break;
    case SERVICE_CONTROL_DEVICEEVENT:
      HandleDeviceEvent(dwEventType, lpEventData);
      break;
    case SERVICE_CONTROL_PRESHUTDOWN:
      // Without a connection there is nothing to tear down first; the
      // service stops all the same, rather than make Windows wait out its
      // pre-shutdown time-out.
      TearDownForPreShutdown();
      StopService();
      break;
    default:
      break;
  }
  return NO_ERROR;
}
