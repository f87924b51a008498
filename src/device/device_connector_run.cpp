// The device connector routine: one connection's loop of jack events.
#include "device/device_connector.h"
#include "endpoint/endpoint_callback.h"

int DeviceConnector::Run(EndpointCallback snapshot) {
  static_cast<void>(snapshot);
  return 1;
}

BYTE DeviceConnector::WaitForJackType(EndpointCallback& snapshot) {
  static_cast<void>(snapshot);
  return JACK_END;
}
