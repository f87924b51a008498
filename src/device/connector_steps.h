// The steps of the device connector routine for one connection, and the
// routine's working values: the type of the last handled pass, and the
// volume and mute it applies. Each step says which step comes next, so
// the routine is a walk from Start to Return.
#pragma once

#include <optional>

#include "device/device_connector.h"
#include "endpoint/endpoint_callback.h"
#include "platform/win32.h"
#include "service/shared_objects.h"

enum class ConnectorStep {
  Wait,
  Speaker,
  Headphone,
  SecondHeadphone,
  Apply,
  Reset,
  VolumeLimit,
  EndOfConnection,
  End,
  Return,
};

// No type handled yet. The driver's byte 255 compares equal to it and is
// dropped like a repeated type.
inline constexpr BYTE NO_PREVIOUS_TYPE = 0xFF;

// The custom endpoint property tells the headphone output (0) from every
// other (2).
constexpr DWORD CustomValueFor(BYTE output) { return output == JACK_HEADPHONE ? 0 : 2; }

// Whether the control handler has ended the connection from outside (a
// removal, pre-shutdown) by clearing `connectorActive`; it then tears the
// connection down itself.
inline bool ConnectionEndedElsewhere() { return connectorActive->load() == 0; }

class ConnectorSteps {
 public:
  // The previous type starts as the output on entry.
  ConnectorSteps(DeviceConnector& device, EndpointCallback& snapshot);
  ConnectorSteps(const ConnectorSteps&) = delete;
  ConnectorSteps& operator=(const ConnectorSteps&) = delete;

  // Opens the device and arms the connection's start-up requests.
  ConnectorStep Start();
  // Takes one step and says which comes next.
  ConnectorStep Take(ConnectorStep step);

 private:
  ConnectorStep Wait();
  std::optional<BYTE> NextNewType();
  ConnectorStep Speaker();
  ConnectorStep Headphone();
  ConnectorStep SecondHeadphone();
  ConnectorStep Apply();
  ConnectorStep Reset();
  ConnectorStep VolumeLimit();
  void CheckVolumeLimit();
  ConnectorStep EndOfConnection();
  ConnectorStep End();
  void ArmStartupRequests();

  DeviceConnector& device_;
  EndpointCallback& snapshot_;
  BYTE previousType_;
  int volume_ = 0;  // percent
  int mute_ = 0;
};
