// The connector's handling of a new output: the speaker and headphone
// settings, and applying them to the endpoint with the driver's finish
// request and the custom endpoint property.
#include "device/connector_steps.h"

#include "device/connector_popups.h"
#include "diagnostics/trace.h"
#include "endpoint/audio_ids.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"
#include "settings/registry_entry.h"

ConnectorStep ConnectorSteps::Speaker() {
  *jackTypePending = 0;
  EndChimeAndSwitchWindows();
  registryEntry->getRegistryValue(RegistryValueIndex::SpeakerVolume, &volume_);
  registryEntry->getRegistryValue(RegistryValueIndex::SpeakerMute, &mute_);
  *IgnoreTrigger = 0;
  WriteTrace(L"IgnoreTrigger value is: %d, type is: %d", 0, static_cast<int>(outputType->load()));
  return ConnectorStep::Apply;
}

// The ignore answer of an earlier volume-limit popup stays in force.
ConnectorStep ConnectorSteps::Headphone() {
  *jackTypePending = 0;
  EndChimeAndSwitchWindows();
  if (IsFeatureOn(SwitchPopupWindow)) LaunchSwitchWindow();
  *outputType = JACK_HEADPHONE;
  registryEntry->getRegistryValue(RegistryValueIndex::HeadphoneVolume, &volume_);
  registryEntry->getRegistryValue(RegistryValueIndex::HeadphoneMute, &mute_);
  WriteTrace(L"IgnoreTrigger value is: %d, type is: %d", IgnoreTrigger->load(),
             static_cast<int>(outputType->load()));
  return ConnectorStep::Apply;
}

// Kept as a headphone from here on, so a following 1 is a repeat.
ConnectorStep ConnectorSteps::SecondHeadphone() {
  WriteTrace(L"Get type 2");
  *outputType = JACK_HEADPHONE;
  return ConnectorStep::Headphone;
}

// The volume and mute carry the service's event context, so that the
// volume callback does not store them back. A custom property that cannot
// be written ends the connection.
ConnectorStep ConnectorSteps::Apply() {
  WriteTraceA("DeviceConnector: type: %d, volumeScalar: %d, muteState: %d",
              static_cast<int>(outputType->load()), volume_, mute_);
  if (IsFeatureOn(VolumeCallbakRegister)) {
    snapshot_.setVolume(volume_, &ServiceEventContext);
    snapshot_.setMute(mute_, &ServiceEventContext);
  }
  bool speaker = outputType->load() == JACK_SPEAKER;
  const wchar_t* finished = speaker ? L"SPEAKER" : L"HEADPHONE";
  DWORD code =
      speaker ? IOCTL_CMD_JACKNOTIFY_FINISH_SPEAKER : IOCTL_CMD_JACKNOTIFY_FINISH_HEADPHONE;
  if (device_.SendFinish(code, static_cast<BYTE>(foreignEndpoint->load()))) {
    WriteTrace(L"JackNotifyFinish succeed! Finish type is: %ls", finished);
  }
  if (!IsFeatureOn(PropertySet)) return ConnectorStep::VolumeLimit;
  DWORD value = CustomValueFor(outputType->load());
  if (FAILED(snapshot_.SetCustomAValue(value))) return ConnectorStep::End;
  WriteTraceA("Set PropertyKey to %d : %ls", static_cast<int>(value), finished);
  return ConnectorStep::VolumeLimit;
}
