// The endpoint-change thread: after each change of the default device, the
// endpoint side detaches and attaches to the new default render endpoint.
#include "diagnostics/trace.h"
#include "endpoint/endpoint_callback.h"
#include "platform/com_apartment.h"
#include "service/shared_objects.h"
#include "service/worker_threads.h"

DWORD WINAPI Thread_1(LPVOID) {
  JoinComApartment();
  while (WaitForWakeUp(*hChangeEndpointSemaphore) && connectorActive->load() != 0) {
    serviceEndpoint->ChangeEndpoint();
  }
  WriteTrace(L"Thread_1 terminate");
  return 0;
}
