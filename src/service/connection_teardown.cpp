// Tearing a device connection down from the control handler. The handler
// takes the connection over by clearing `connectorActive`; the connector
// thread is no longer running before the device and the endpoint side are
// let go, and its own wind-down does not run.
#include "service/connection_teardown.h"

#include "diagnostics/trace.h"
#include "service/connection.h"
#include "service/shared_objects.h"
#include "settings/loaded_values.h"
#include "settings/registry_entry.h"

namespace {

// The next start applies at most the limit to the headphone. A stored
// value at or below the limit stays, and so does one that cannot be read.
void CapStoredHeadphoneVolume() {
  int headphoneVolume = -1;
  registryEntry->getRegistryValue(RegistryValueIndex::HeadphoneVolume, &headphoneVolume);
  if (headphoneVolume <= *volumeLimit) return;
  registryEntry->setRegistryValue(RegistryValueIndex::HeadphoneVolume,
                                  static_cast<DWORD>(*volumeLimit));
}

}  // namespace

void TearDownAfterRemoval() {
  ConnectorLockGuard guard;
  if (connectorActive->exchange(0) == 0) {
    WaitForEndedConnector();
    return;
  }
  StopConnectorThread();
  // As every other end of a connection does, a removal ends the popups its
  // workers watch, so that those end with it; a switch window's answer could
  // not reach the removed device anyway.
  WindDownConnection();
}

void TearDownForPreShutdown() {
  ConnectorLockGuard guard;
  if (connectorActive->exchange(0) == 0) return;
  WriteTrace(L"Receive PreShutDown message");
  CapStoredHeadphoneVolume();
  StopConnectorThread();
  // The volume-limit popup's watcher now leaves the popup to this sequence.
  outputType->store(0);
  WindDownConnection();
  WriteTrace(L"Finish to handle PreShutDown message");
}
