// The device connector routine: one connection, from opening the device
// to its end, and the wait for each jack type.
#include "device/device_connector.h"

#include "device/connector_steps.h"
#include "diagnostics/trace.h"
#include "endpoint/endpoint_callback.h"
#include "service/shared_objects.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"

int DeviceConnector::Run(EndpointCallback snapshot) {
  ConnectorSteps steps(*this, snapshot);
  ConnectorStep next = steps.Start();
  while (next != ConnectorStep::Return) next = steps.Take(next);
  return 1;
}

// The start-up query comes first, and without the property write: that
// waits for the first jack-state request.
BYTE DeviceConnector::WaitForJackType(EndpointCallback& snapshot) {
  if (startupInitialPending->load() == 1) {
    WriteTrace(L"Start to initialize");
    *startupInitialPending = 0;
    return QueryInitialJackType();
  }
  if (IsFeatureOn(PropertySet) && propertyInitialPending == 1) {
    propertyInitialPending = 0;
    if (FAILED(snapshot.SetCustomAValue(CustomValueFor(outputType->load())))) return JACK_END;
  }
  return AwaitJackNotify();
}
