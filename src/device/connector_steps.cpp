// The connector's walk from step to step, and the wait for the next new
// jack type with its dispatch.
#include "device/connector_steps.h"

#include <optional>

#include "diagnostics/trace.h"

namespace {

ConnectorStep StepFor(BYTE type) {
  switch (type) {
    case JACK_SPEAKER:
      return ConnectorStep::Speaker;
    case JACK_HEADPHONE:
      return ConnectorStep::Headphone;
    case JACK_HEADPHONE_SECOND_KIND:
      return ConnectorStep::SecondHeadphone;
    case JACK_END:
      return ConnectorStep::EndOfConnection;
    case JACK_RESET:
      return ConnectorStep::Reset;
    default:
      // Undefined types load no settings: the values held from before are
      // applied again.
      return ConnectorStep::Apply;
  }
}

}  // namespace

ConnectorSteps::ConnectorSteps(DeviceConnector& device, EndpointCallback& snapshot)
    : device_(device), snapshot_(snapshot), previousType_(outputType->load()) {}

ConnectorStep ConnectorSteps::Take(ConnectorStep step) {
  switch (step) {
    case ConnectorStep::Wait:
      return Wait();
    case ConnectorStep::Speaker:
      return Speaker();
    case ConnectorStep::Headphone:
      return Headphone();
    case ConnectorStep::SecondHeadphone:
      return SecondHeadphone();
    case ConnectorStep::Apply:
      return Apply();
    case ConnectorStep::Reset:
      return Reset();
    case ConnectorStep::VolumeLimit:
      return VolumeLimit();
    case ConnectorStep::EndOfConnection:
      return EndOfConnection();
    case ConnectorStep::End:
      return End();
    case ConnectorStep::Return:
      break;
  }
  return ConnectorStep::Return;
}

// While a foreign endpoint is the default output, a jack event only
// reaches the volume-limit check.
ConnectorStep ConnectorSteps::Wait() {
  std::optional<BYTE> type = NextNewType();
  if (!type) return ConnectorStep::Return;
  WriteTrace(L"Start to getRegistryValue, type is %d", *type);
  if (foreignEndpoint->load() == 1 && *type != JACK_END) return ConnectorStep::VolumeLimit;
  return StepFor(*type);
}

// A type equal to the last handled one is dropped and the driver asked
// again; while the start-up query is due nothing counts as a repeat.
// Nothing when the connection was ended from outside: it is not waited on
// again, and the request it cancelled leaves the output as it was.
std::optional<BYTE> ConnectorSteps::NextNewType() {
  for (;;) {
    if (ConnectionEndedElsewhere()) return std::nullopt;
    if (startupInitialPending->load() == 1) previousType_ = NO_PREVIOUS_TYPE;
    BYTE type = device_.WaitForJackType(snapshot_);
    if (type == JACK_END && ConnectionEndedElsewhere()) return std::nullopt;
    *outputType = type;
    if (type != previousType_ || type == JACK_END) return type;
  }
}
