// Tearing a device connection down from the control handler. The handler
// takes the connection over by clearing `connectorActive`; the connector
// thread is no longer running before the device and the endpoint side are
// let go, and its own wind-down does not run.
#include "service/connection_teardown.h"

#include "device/device_connector.h"
#include "diagnostics/trace.h"
#include "endpoint/endpoint_callback.h"
#include "platform/com_apartment.h"
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

// After the connector thread has stopped: the workers are woken and the
// popups they watch ended, so that every worker of the connection ends with
// it (a switch window's answer could not reach a removed device anyway);
// then the device and the endpoint side are let go.
void EndTakenConnection() {
  WakeConnectionWorkers();
  EndConnectionPopups();
  ReleaseCodecDevice();
  // The handler's thread calls into the endpoint objects here.
  JoinComApartment();
  serviceEndpoint->Dispose();
}

}  // namespace

void TearDownAfterRemoval() {
  ConnectorLockGuard guard;
  if (connectorActive->exchange(0) == 0) {
    WaitForEndedConnector();
    return;
  }
  StopConnectorThread();
  EndTakenConnection();
}

void TearDownForPreShutdown() {
  ConnectorLockGuard guard;
  if (connectorActive->exchange(0) == 0) return;
  WriteTrace(L"Receive PreShutDown message");
  CapStoredHeadphoneVolume();
  StopConnectorThread();
  // The volume-limit popup's watcher now leaves the popup to this sequence.
  outputType->store(0);
  EndTakenConnection();
  WriteTrace(L"Finish to handle PreShutDown message");
}
