// Registering the executable with the service control manager: own
// process, automatic start, normal error control, LocalSystem.
#include "service/service_install.h"

#include "diagnostics/trace.h"
#include "platform/unique_handle.h"
#include "platform/win32.h"
#include "service/service_name.h"

namespace {

// The module path and the two quotation marks around it.
constexpr int BINARY_PATH_CHARS = MAX_PATH + 2;

// The path is registered in quotation marks: an unquoted path with a blank
// in it ("C:\Program Files\...") makes Windows try "C:\Program.exe" first,
// with the service's LocalSystem rights.
bool QuotedModulePath(wchar_t (&binaryPath)[BINARY_PATH_CHARS]) {
  wchar_t modulePath[MAX_PATH];
  if (GetModuleFileNameW(nullptr, modulePath, MAX_PATH) == 0) {
    WriteTrace(L"Cannot install service (%d)", GetLastError());
    return false;
  }
  StringCchPrintfW(binaryPath, BINARY_PATH_CHARS, L"\"%s\"", modulePath);
  return true;
}

}  // namespace

void InstallService() {
  wchar_t binaryPath[BINARY_PATH_CHARS];
  if (!QuotedModulePath(binaryPath)) return;

  UniqueScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) {
    WriteTrace(L"OpenSCManager failed (%d)", GetLastError());
    return;
  }

  UniqueScHandle service(CreateServiceW(manager.get(), SERVICE_NAME, SERVICE_NAME,
                                        SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                        SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, binaryPath,
                                        nullptr, nullptr, nullptr, nullptr, nullptr));
  if (!service) {
    WriteTrace(L"CreateService failed (%d)", GetLastError());
    return;
  }
  WriteTrace(L"Service installed successfully");
}
