// The wide entry point: "install" registers the service, anything else hands
// the main thread to the service control dispatcher.
#include "service/process_life.h"

#include "diagnostics/event_report.h"
#include "endpoint/endpoint_callback.h"
#include "platform/win32.h"
#include "service/service_install.h"
#include "service/service_main.h"
#include "service/service_name.h"

namespace {

// Returns when the service has stopped, or at once when the process was not
// started by the service control manager (from a console: error 1063).
void RunServiceDispatcher() {
  // The dispatcher never writes the name; the table type just is not const.
  SERVICE_TABLE_ENTRYW table[] = {
      {const_cast<LPWSTR>(SERVICE_NAME), ServiceMain},
      {nullptr, nullptr},
  };
  if (!StartServiceCtrlDispatcherW(table)) ReportServiceError(L"StartServiceCtrlDispatcher");
}

}  // namespace

int ServiceEntry(int argc, wchar_t** argv) {
  // Start-up has failed when the endpoint object's lock could not be made:
  // the process ends before either mode runs.
  if (FAILED(serviceEndpoint->constructionStatus())) return 0;
  // The whole first argument, in any case; without one the comparison sees
  // the null pointer that ends the vector and chooses service mode.
  const wchar_t* mode = argc > 1 ? argv[1] : nullptr;
  if (lstrcmpiW(mode, L"install") == 0) {
    InstallService();
  } else {
    RunServiceDispatcher();
  }
  return 0;
}
