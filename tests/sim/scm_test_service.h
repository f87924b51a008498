// A small service program for the service control manager's tests: its
// entry hands the main thread to the dispatcher, its service main function
// reports START_PENDING and RUNNING and waits for a stop, and its handler
// records every control it gets. Tests set its behaviour before a start and
// read what it saw once the machine is quiet.
#pragma once

#include <string>
#include <vector>

#include "sim/machine.h"
#include "sim/windows.h"

namespace sim_test::scm {

inline constexpr wchar_t kServiceName[] = L"TestService";
inline constexpr GUID kCodecClass = {
    0xF27CDC00, 0x203E, 0x4107, {0xA5, 0x03, 0x21, 0x21, 0x15, 0x37, 0xEA, 0x43}};

struct Behaviour {
  const wchar_t* handlerName = kServiceName;
  bool reportRunning = true;  // false: stays START_PENDING
  DWORD accepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PRESHUTDOWN;
  bool stopOnStop = true;         // STOP: report STOP_PENDING and wake the service main
  bool stopOnPreshutdown = true;  // PRESHUTDOWN: the same
  bool registerForCodec = false;  // RegisterDeviceNotificationW before RUNNING
  DWORD handlerSleepMs = 0;       // a timed wait inside every handler call
};

// One call of the handler, with what it read of the event data.
struct HandledControl {
  DWORD control = 0;
  DWORD eventType = 0;
  DWORD threadId = 0;
  DWORD dataSize = 0;
  std::wstring name;
};

struct Seen {
  DWORD entryThreadId = 0;
  bool dispatcherReturned = false;
  SERVICE_STATUS_HANDLE statusHandle = nullptr;
  DWORD registerError = 0;
  HDEVNOTIFY notification = nullptr;
  std::vector<HandledControl> controls;
  int handlersRunning = 0;
  int mostHandlersAtOnce = 0;
};

Behaviour& TheBehaviour();
Seen& TheSeen();
// Default behaviour, nothing seen.
void ResetTestService();
sim::Program TestServiceProgram();

// Reports a status the way services do: check points for pending states.
void Report(SERVICE_STATUS_HANDLE handle, DWORD state, DWORD accepted, DWORD checkPoint,
            DWORD waitHint);

// A device-interface filter as a service builds it for one class.
DEV_BROADCAST_DEVICEINTERFACE_W InterfaceFilter(const GUID& cls);

}  // namespace sim_test::scm
