// Service configuration, states and controls through the service control
// manager's public calls.
#include "service_commands.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/unique_handle.h"
#include "platform/win32.h"

namespace {

constexpr DWORD POLL_MS = 2;

struct Named {
  DWORD value;
  const char* name;
};

template <size_t N>
const char* NameOf(const Named (&table)[N], DWORD value) {
  for (const Named& entry : table) {
    if (entry.value == value) return entry.name;
  }
  return "UNKNOWN";
}

constexpr Named STATE_NAMES[] = {
    {SERVICE_STOPPED, "STOPPED"},
    {SERVICE_START_PENDING, "START_PENDING"},
    {SERVICE_STOP_PENDING, "STOP_PENDING"},
    {SERVICE_RUNNING, "RUNNING"},
    {SERVICE_CONTINUE_PENDING, "CONTINUE_PENDING"},
    {SERVICE_PAUSE_PENDING, "PAUSE_PENDING"},
    {SERVICE_PAUSED, "PAUSED"},
};

constexpr Named START_TYPE_NAMES[] = {
    {SERVICE_BOOT_START, "boot"},   {SERVICE_SYSTEM_START, "system"},
    {SERVICE_AUTO_START, "auto"},   {SERVICE_DEMAND_START, "demand"},
    {SERVICE_DISABLED, "disabled"},
};

const char* StateName(DWORD state) { return NameOf(STATE_NAMES, state); }

std::string Narrow(const wchar_t* text) {
  if (text == nullptr) return "(null)";
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(bytes > 0 ? bytes : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), bytes, nullptr, nullptr);
  narrow.resize(narrow.size() - 1);
  return narrow;
}

int Failed(const char* call) {
  std::printf("%s failed with %lu\n", call, GetLastError());
  return 1;
}

UniqueScHandle OpenNamedService(const wchar_t* name, DWORD access) {
  UniqueScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return UniqueScHandle();
  return UniqueScHandle(OpenServiceW(manager.get(), name, access));
}

bool QueryState(SC_HANDLE service, SERVICE_STATUS_PROCESS& status) {
  DWORD needed = 0;
  return QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof(status), &needed) != FALSE;
}

void PrintState(const SERVICE_STATUS_PROCESS& status) {
  std::printf("state %s checkpoint=%lu hint=%lu controls=0x%lx exit=%lu\n",
              StateName(status.dwCurrentState), status.dwCheckPoint, status.dwWaitHint,
              status.dwControlsAccepted, status.dwWin32ExitCode);
}

// Polls every few milliseconds and prints each state when it changes; a
// state shorter than the poll interval may go unseen. Ends at one of the
// two final states or at the time-out.
// `last` is the state already printed, 0 for none.
int WatchStates(SC_HANDLE service, DWORD last, DWORD finalState, DWORD otherFinal,
                unsigned timeoutMs) {
  ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    SERVICE_STATUS_PROCESS status = {};
    if (!QueryState(service, status)) return Failed("QueryServiceStatusEx");
    if (status.dwCurrentState != last) PrintState(status);
    last = status.dwCurrentState;
    if (last == finalState) return 0;
    if (last == otherFinal) return 1;
    if (GetTickCount64() >= deadline) {
      std::printf("timed out in %s\n", StateName(last));
      return 1;
    }
    Sleep(POLL_MS);
  }
}

}  // namespace

int PrintServiceConfig(const wchar_t* name) {
  UniqueScHandle service = OpenNamedService(name, SERVICE_QUERY_CONFIG);
  if (!service) return Failed("OpenServiceW");
  DWORD needed = 0;
  QueryServiceConfigW(service.get(), nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (!QueryServiceConfigW(service.get(), config, needed, &needed)) {
    return Failed("QueryServiceConfigW");
  }
  std::printf("path=%s\n", Narrow(config->lpBinaryPathName).c_str());
  std::printf("start=%lu (%s)\n", config->dwStartType,
              NameOf(START_TYPE_NAMES, config->dwStartType));
  std::printf("type=0x%lx%s\n", config->dwServiceType,
              config->dwServiceType == SERVICE_WIN32_OWN_PROCESS ? " (own process)" : "");
  std::printf("error=%lu\n", config->dwErrorControl);
  std::printf("account=%s\n", Narrow(config->lpServiceStartName).c_str());
  std::printf("display=%s\n", Narrow(config->lpDisplayName).c_str());
  return 0;
}

int PrintServiceState(const wchar_t* name) {
  UniqueScHandle service = OpenNamedService(name, SERVICE_QUERY_STATUS);
  if (!service) return Failed("OpenServiceW");
  SERVICE_STATUS_PROCESS status = {};
  if (!QueryState(service.get(), status)) return Failed("QueryServiceStatusEx");
  PrintState(status);
  return 0;
}

int StartAndWatch(const wchar_t* name, unsigned timeoutMs) {
  UniqueScHandle service = OpenNamedService(name, SERVICE_START | SERVICE_QUERY_STATUS);
  if (!service) return Failed("OpenServiceW");
  if (!StartServiceW(service.get(), 0, nullptr)) return Failed("StartServiceW");
  return WatchStates(service.get(), 0, SERVICE_RUNNING, SERVICE_STOPPED, timeoutMs);
}

// The service's process, while it runs, so that a stop can wait for its
// end: a service reports STOPPED before its process has ended, and only the
// process's end closes what it still holds open.
UniqueKernelHandle OpenServiceProcess(SC_HANDLE service) {
  SERVICE_STATUS_PROCESS status = {};
  if (!QueryState(service, status) || status.dwProcessId == 0) return UniqueKernelHandle();
  return UniqueKernelHandle(OpenProcess(SYNCHRONIZE, FALSE, status.dwProcessId));
}

int StopAndWatch(const wchar_t* name, unsigned timeoutMs) {
  UniqueScHandle service = OpenNamedService(name, SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!service) return Failed("OpenServiceW");
  UniqueKernelHandle process = OpenServiceProcess(service.get());
  ULONGLONG deadline = GetTickCount64() + timeoutMs;
  SERVICE_STATUS status = {};
  if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
    return Failed("ControlService");
  }
  // The state the control's answer carried is the first one seen.
  SERVICE_STATUS_PROCESS seen = {};
  seen.dwCurrentState = status.dwCurrentState;
  seen.dwCheckPoint = status.dwCheckPoint;
  seen.dwWaitHint = status.dwWaitHint;
  seen.dwControlsAccepted = status.dwControlsAccepted;
  seen.dwWin32ExitCode = status.dwWin32ExitCode;
  PrintState(seen);
  int result =
      WatchStates(service.get(), seen.dwCurrentState, SERVICE_STOPPED, SERVICE_STOPPED, timeoutMs);
  if (result != 0 || !process) return result;
  ULONGLONG now = GetTickCount64();
  DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
  if (WaitForSingleObject(process.get(), left) != WAIT_OBJECT_0) {
    std::printf("the service's process has not ended\n");
    return 1;
  }
  std::printf("the service's process has ended\n");
  return 0;
}

int SendControl(const wchar_t* name, unsigned control) {
  UniqueScHandle service =
      OpenNamedService(name, SERVICE_STOP | SERVICE_INTERROGATE | SERVICE_USER_DEFINED_CONTROL |
                                 SERVICE_QUERY_STATUS);
  if (!service) return Failed("OpenServiceW");
  SERVICE_STATUS status = {};
  if (!ControlService(service.get(), control, &status)) return Failed("ControlService");
  std::printf("control %u delivered, state %s\n", control, StateName(status.dwCurrentState));
  return 0;
}
