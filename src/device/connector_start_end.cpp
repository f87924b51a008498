// The start of a connection, the re-arming after a driver reset, and the
// end of a connection.
#include "device/connector_steps.h"

#include "device/connector_popups.h"
#include "diagnostics/trace.h"
#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"

ConnectorStep ConnectorSteps::Start() {
  WriteTrace(L"Construct");
  if (!device_.Connect()) {
    WriteTrace(L"DeviceConnect failed!");
    WriteTrace(L"Device Init Failed");
    return ConnectorStep::End;
  }
  WriteTrace(L"Device connect successfully");
  device_.connected = 1;
  ArmStartupRequests();
  // With mirroring the connector applies the stored values itself, so the
  // first type is handled even when it matches the output the endpoint
  // side found.
  if (IsFeatureOn(VolumeCallbakRegister)) previousType_ = NO_PREVIOUS_TYPE;
  CurrentVolume current = snapshot_.getCurrentVolume();
  volume_ = current.volumeLevel;
  mute_ = current.bMuted;
  return ConnectorStep::Wait;
}

// The driver starts over: the start-up requests are due again and the next
// type is handled even when it repeats the last one. No finish request
// answers a reset.
ConnectorStep ConnectorSteps::Reset() {
  WriteTrace(L"Reveive reset information");
  ArmStartupRequests();
  previousType_ = NO_PREVIOUS_TYPE;
  if (IsFeatureOn(ChimeWindowUsed) && !StartChimeWindow()) return ConnectorStep::Return;
  return ConnectorStep::Wait;
}

// Volume notifications are ignored until a speaker or headphone type has
// been handled.
void ConnectorSteps::ArmStartupRequests() {
  *jackTypePending = 1;
  *startupInitialPending = IsFeatureOn(StartupInitial) ? 1 : 0;
  device_.propertyInitialPending = IsFeatureOn(PropertyInitial) ? 1 : 0;
  *IgnoreTrigger = 0;
}

ConnectorStep ConnectorSteps::EndOfConnection() {
  popupSlots[CHIME_WINDOW]->End();
  return ConnectorStep::End;
}

// The snapshot's references go with the routine's argument.
ConnectorStep ConnectorSteps::End() {
  popupSlots[VOLUME_LIMIT_POPUP]->End();
  popupSlots[SWITCH_WINDOW]->End();
  device_.Disconnect();
  return ConnectorStep::Return;
}
