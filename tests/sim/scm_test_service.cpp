// The test service program of the service control manager's tests.
#include "scm_test_service.h"

#include <algorithm>
#include <cstring>

namespace sim_test::scm {
namespace {

Behaviour gBehaviour;
Seen gSeen;
HANDLE gStopEvent = nullptr;

HandledControl Describe(DWORD control, DWORD eventType, LPVOID eventData) {
  HandledControl seen;
  seen.control = control;
  seen.eventType = eventType;
  seen.threadId = GetCurrentThreadId();
  if (eventData == nullptr) return seen;
  const auto* header = static_cast<const DEV_BROADCAST_HDR*>(eventData);
  seen.dataSize = header->dbch_size;
  if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return seen;
  const auto* record = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(eventData);
  seen.name = &record->dbcc_name[0];
  return seen;
}

void BeginStop() {
  Report(gSeen.statusHandle, SERVICE_STOP_PENDING, gBehaviour.accepted, 1, 1000);
  SetEvent(gStopEvent);
}

DWORD WINAPI Handler(DWORD control, DWORD eventType, LPVOID eventData, LPVOID) {
  ++gSeen.handlersRunning;
  gSeen.mostHandlersAtOnce = std::max(gSeen.mostHandlersAtOnce, gSeen.handlersRunning);
  gSeen.controls.push_back(Describe(control, eventType, eventData));
  if (gBehaviour.handlerSleepMs != 0) Sleep(gBehaviour.handlerSleepMs);
  bool stop = (control == SERVICE_CONTROL_STOP && gBehaviour.stopOnStop) ||
              (control == SERVICE_CONTROL_PRESHUTDOWN && gBehaviour.stopOnPreshutdown);
  if (stop) BeginStop();
  --gSeen.handlersRunning;
  return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  gSeen.statusHandle = RegisterServiceCtrlHandlerExW(gBehaviour.handlerName, Handler, nullptr);
  if (gSeen.statusHandle == nullptr) {
    gSeen.registerError = GetLastError();
    return;
  }
  Report(gSeen.statusHandle, SERVICE_START_PENDING, 0, 1, 3000);
  if (!gBehaviour.reportRunning) return;
  gStopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (gBehaviour.registerForCodec) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter = InterfaceFilter(kCodecClass);
    gSeen.notification =
        RegisterDeviceNotificationW(gSeen.statusHandle, &filter, DEVICE_NOTIFY_SERVICE_HANDLE);
  }
  Report(gSeen.statusHandle, SERVICE_RUNNING, gBehaviour.accepted, 0, 0);
  WaitForSingleObject(gStopEvent, INFINITE);
  Report(gSeen.statusHandle, SERVICE_STOPPED, gBehaviour.accepted, 0, 0);
}

int Entry(int, wchar_t**) {
  gSeen.entryThreadId = GetCurrentThreadId();
  SERVICE_TABLE_ENTRYW table[] = {
      {const_cast<LPWSTR>(kServiceName), ServiceMain},
      {nullptr, nullptr},
  };
  StartServiceCtrlDispatcherW(table);
  gSeen.dispatcherReturned = true;
  return 0;
}

}  // namespace

Behaviour& TheBehaviour() { return gBehaviour; }
Seen& TheSeen() { return gSeen; }

void ResetTestService() {
  gBehaviour = Behaviour{};
  gSeen = Seen{};
  gStopEvent = nullptr;
}

sim::Program TestServiceProgram() { return sim::Program{nullptr, Entry, nullptr}; }

void Report(SERVICE_STATUS_HANDLE handle, DWORD state, DWORD accepted, DWORD checkPoint,
            DWORD waitHint) {
  SERVICE_STATUS status{
      SERVICE_WIN32_OWN_PROCESS, state, accepted, NO_ERROR, 0, checkPoint, waitHint};
  SetServiceStatus(handle, &status);
}

DEV_BROADCAST_DEVICEINTERFACE_W InterfaceFilter(const GUID& cls) {
  DEV_BROADCAST_DEVICEINTERFACE_W filter;
  std::memset(&filter, 0, sizeof filter);
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = cls;
  return filter;
}

}  // namespace sim_test::scm
