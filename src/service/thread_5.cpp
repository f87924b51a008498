// The reconnect thread: after the codec's interface arrived, a pause, the
// endpoint side initialised again, and a new connector thread.
#include "endpoint/endpoint_callback.h"
#include "platform/com_apartment.h"
#include "service/connection.h"
#include "service/shared_objects.h"
#include "service/worker_threads.h"

namespace {

// One connector at a time: of two arrivals within the pause, the second
// finds the connection the first one started and does nothing.
void Reconnect() {
  ConnectorLockGuard guard;
  if (connectorActive->load() != 0) return;
  // The last connector thread may still be winding its connection down,
  // disposing of the endpoint side that is initialised here.
  WaitForEndedConnector();
  serviceEndpoint->Initialize();
  StartConnectorThread();
}

}  // namespace

// The thread keeps its apartment until it ends.
DWORD WINAPI Thread_5(LPVOID) {
  PauseOneSecond();
  if (FAILED(JoinComApartment())) return 0;
  Reconnect();
  return 0;
}
