// The volume notifications of the default render endpoint: the object
// keeps the endpoint's volume and mute, stores the user's changes for the
// current output, wakes the mute-state thread on an unmute after a mute,
// and starts or ends the volume-limit popup.
#include <cstdint>

#include "diagnostics/trace.h"
#include "endpoint/audio_ids.h"
#include "endpoint/endpoint_callback.h"
#include "endpoint/volume_scale.h"
#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "service/shared_objects.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"
#include "settings/registry_entry.h"

namespace {

constexpr std::uint8_t SPEAKER_OUTPUT = 0;
constexpr std::uint8_t HEADPHONE_OUTPUT = 1;

// While the output is another device, or the connector has not yet handled
// a jack type, the values are not the codec's: nothing is stored, and the
// popups are ended. Their flags and handles stay for their watchers, which
// read exit code 4.
void IgnoreNotification() {
  WriteTrace(L"Ignore Notify info");
  popupSlots[VOLUME_LIMIT_POPUP]->Terminate();
  popupSlots[SWITCH_WINDOW]->Terminate();
}

// Changes of any other origin than the connector's own, GUID_NULL
// included, are stored like the user's. Other output types store nothing.
void StoreUserChange(int volumeLevel, int bMuted) {
  std::uint8_t type = *outputType;
  if (type == SPEAKER_OUTPUT) {
    registryEntry->setRegistryValue(RegistryValueIndex::SpeakerVolume,
                                    static_cast<DWORD>(volumeLevel));
    registryEntry->setRegistryValue(RegistryValueIndex::SpeakerMute, static_cast<DWORD>(bMuted));
  } else if (type == HEADPHONE_OUTPUT) {
    registryEntry->setRegistryValue(RegistryValueIndex::HeadphoneVolume,
                                    static_cast<DWORD>(volumeLevel));
    registryEntry->setRegistryValue(RegistryValueIndex::HeadphoneMute, static_cast<DWORD>(bMuted));
  }
  WriteTraceA("EndpointCallback: type: %d, currentVolume.volumeLevel: %d, currentVolume.bMuted: %d",
              type, volumeLevel, bMuted);
}

// One report per unmute after a mute. While the mute-state thread sends,
// a further unmute is not reported; before it has begun, the wake-up is
// still pending and a second one adds nothing.
void ReportMuteState(int bMuted) {
  if (bMuted != 0) {
    *muteSeen = 1;
    return;
  }
  if (*muteSeen != 1) return;
  if (*muteNotifyInFlight == 1) {
    WriteTrace(L"the last IOCTL_CMD_MUTESTATE_NOTIFY(0x10b) has been blocked");
    return;
  }
  WriteTrace(L"start to send IOCTL_CMD_MUTESTATE_NOTIFY(0x10b)");
  WakeUp(*hMuteStateSemaphore);
}

// The claim is one step, so this thread and the device connector never
// both launch the popup. A level equal to the limit neither starts nor ends
// it. The popup is ended through its slot, which leaves the flag and the
// handles to the watcher.
void CheckVolumeLimit(int volumeLevel) {
  PopupSlot& popup = *popupSlots[VOLUME_LIMIT_POPUP];
  if (*outputType == HEADPHONE_OUTPUT) {
    if (volumeLevel > *volumeLimit && *IgnoreTrigger == 0 && popup.Claim()) {
      WriteTrace(L"Start to popup");
      LaunchPopup(VOLUME_LIMIT_POPUP);
    }
    if (volumeLevel < *volumeLimit && *IgnoreTrigger != 0) {
      WriteTrace(L"Start to receive popup trigger");
      *IgnoreTrigger = 0;
    }
  }
  if (*outputType != HEADPHONE_OUTPUT || volumeLevel < *volumeLimit) popup.Terminate();
}

}  // namespace

// `currentVolume` follows every notification, also those otherwise
// ignored.
HRESULT STDMETHODCALLTYPE EndpointCallback::OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA pNotify) {
  if (pNotify == nullptr) return E_POINTER;
  int volumeLevel = PercentOfScalar(pNotify->fMasterVolume);
  int bMuted = pNotify->bMuted;
  currentVolume.volumeLevel = volumeLevel;
  currentVolume.bMuted = bMuted;
  if (*foreignEndpoint != 0 || *jackTypePending != 0) {
    IgnoreNotification();
    return S_OK;
  }
  if (pNotify->guidEventContext != ServiceEventContext) StoreUserChange(volumeLevel, bMuted);
  if (IsFeatureOn(MuteStaeReport)) ReportMuteState(bMuted);
  if (IsFeatureOn(VolumeLimitPopupWindow)) CheckVolumeLimit(volumeLevel);
  return S_OK;
}
