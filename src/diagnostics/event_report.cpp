// The one error event of the service: source "KoruAudioService", two
// strings, the failed function and its last-error code.
#include "diagnostics/event_report.h"

#include "platform/unique_handle.h"
#include "platform/win32.h"
#include "service/service_name.h"

void ReportServiceError(const wchar_t* function) {
  // Taken before anything else: RegisterEventSourceW may overwrite the last
  // error, and the event must carry the code of the call that failed.
  DWORD error = GetLastError();

  UniqueEventSource source(RegisterEventSourceW(nullptr, SERVICE_NAME));
  if (!source) return;

  // A cut message is still worth reporting, so the result is not examined.
  wchar_t message[EVENT_MESSAGE_CHARS];
  StringCchPrintfW(message, EVENT_MESSAGE_CHARS, L"%s failed with %d", function, error);

  LPCWSTR strings[2] = {SERVICE_NAME, message};
  ReportEventW(source.get(), EVENTLOG_ERROR_TYPE, 0, SERVICE_ERROR_EVENT_ID, nullptr, 2, 0, strings,
               nullptr);
}
