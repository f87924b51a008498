// Binding the service to the default render endpoint and letting go of it:
// AttachToDefaultEndpoint decides whether the endpoint is the codec's
// speaker output, its headphone output or another device, and applies the
// stored volume and mute to it; DetachFromEndpoint undoes the binding;
// ChangeEndpoint does both when Windows reports a new default.
#include <cstdint>

#include "diagnostics/trace.h"
#include "endpoint/audio_ids.h"
#include "endpoint/endpoint_callback.h"
#include "endpoint/jack_walk.h"
#include "endpoint/volume_scale.h"
#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "platform/com_memory.h"
#include "platform/lock_guards.h"
#include "service/shared_objects.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"
#include "settings/registry_entry.h"

namespace {

constexpr std::uint8_t SPEAKER_OUTPUT = 0;
constexpr std::uint8_t HEADPHONE_OUTPUT = 1;

// The traces print the reference itself, cut to an int as "%d" takes it:
// 0 when there is none.
int ReferenceValue(const void* reference) {
  return static_cast<int>(reinterpret_cast<INT_PTR>(reference));
}

// The endpoint's form factor as its 32-bit value, whatever the property's
// type; 0 when the store or the value cannot be read.
DWORD FormFactorValue(IMMDevice* device) {
  ComPtr<IPropertyStore> store;
  if (device->OpenPropertyStore(STGM_READ, store.put()) != S_OK) return 0;
  ScopedPropVariant value;
  store->GetValue(ids::PKEY_AudioEndpoint_FormFactor, value.put());
  return value.get().ulVal;
}

// A failed read leaves the field as it was, and that value is applied.
void LoadSetting(RegistryValueIndex index, std::atomic<int>& field) {
  int value = field;
  registryEntry->getRegistryValue(index, &value);
  field = value;
}

}  // namespace

HRESULT EndpointCallback::AttachToDefaultEndpoint() {
  WriteTrace(L"AttachToDefaultEndpoint entry");
  HRESULT status = constructionStatus_;
  if (ownsLock_) {
    CriticalSectionGuard hold(endpointLock);
    status = attachLocked();
  }
  WriteTrace(L"AttachToDefaultEndpoint exit");
  return status;
}

// The references obtained before a failing step stay in the members (a
// device without its volume, say); a detach copes with every such state.
HRESULT EndpointCallback::attachLocked() {
  ComPtr<IMMDeviceEnumerator> devices = enumerator();
  ComPtr<IMMDevice> endpoint;
  HRESULT status =
      devices ? devices->GetDefaultAudioEndpoint(eRender, eMultimedia, endpoint.put()) : E_POINTER;
  publish(defaultDevice, endpoint);
  WriteTrace(L"AttachToDefaultEndpoint: %d", ReferenceValue(endpoint.get()));
  if (FAILED(status)) return status;

  ComPtr<IAudioEndpointVolume> volumeControl;
  status = endpoint->Activate(ids::IID_IAudioEndpointVolume, CLSCTX_INPROC_SERVER, nullptr,
                              volumeControl.put_void());
  publish(endpointVolume, volumeControl);
  if (FAILED(status)) return status;

  status = registerForVolumeNotifications(volumeControl.get(), status);
  if (FAILED(status)) return status;
  WriteTrace(L"RegisterControlChangeNotify OK");
  bindToOutput(endpoint.get(), volumeControl.get());
  return status;
}

// Without the feature the registration is skipped and the activation's
// success stands.
HRESULT EndpointCallback::registerForVolumeNotifications(IAudioEndpointVolume* volumeControl,
                                                         HRESULT activated) {
  if (!IsFeatureOn(VolumeCallbakRegister)) {
    controlChangeRegistered = 0;
    return activated;
  }
  HRESULT status = volumeControl->RegisterControlChangeNotify(volumeCallback());
  controlChangeRegistered = SUCCEEDED(status) ? 1 : 0;
  return status;
}

// The speakers by their form factor, the headphones by a 3.5 mm jack;
// anything else (HDMI, USB, no topology) is a foreign endpoint, which the
// service leaves alone. A volume-limit popup makes no sense once the
// output is the speakers.
void EndpointCallback::bindToOutput(IMMDevice* endpoint, IAudioEndpointVolume* volumeControl) {
  if (FormFactorValue(endpoint) == Speakers) {
    useOutput(SPEAKER_OUTPUT, volumeControl);
  } else if (WalkJacks(endpoint).HasConnectionType(eConnType3Point5mm)) {
    useOutput(HEADPHONE_OUTPUT, volumeControl);
  } else {
    *foreignEndpoint = 1;
  }
  if (*outputType == SPEAKER_OUTPUT) popupSlots[VOLUME_LIMIT_POPUP]->End();
}

void EndpointCallback::useOutput(std::uint8_t kind, IAudioEndpointVolume* volumeControl) {
  *foreignEndpoint = 0;
  *outputType = kind;
  if (controlChangeRegistered) {
    loadStoredVolume(kind);
    WriteTraceA("EndpointChange: type: %d, volumeScalar: %d, muteState: %d", kind,
                currentVolume.volumeLevel.load(), currentVolume.bMuted.load());
    applyCurrentVolume(volumeControl);
  }
  WriteTraceA("Device name: %s", kind == SPEAKER_OUTPUT ? "Speakers" : "Headphone");
}

void EndpointCallback::loadStoredVolume(std::uint8_t kind) {
  bool speaker = kind == SPEAKER_OUTPUT;
  LoadSetting(speaker ? RegistryValueIndex::SpeakerVolume : RegistryValueIndex::HeadphoneVolume,
              currentVolume.volumeLevel);
  LoadSetting(speaker ? RegistryValueIndex::SpeakerMute : RegistryValueIndex::HeadphoneMute,
              currentVolume.bMuted);
}

// With GUID_NULL, so the volume callback stores these like any other
// change. Their results are not examined.
void EndpointCallback::applyCurrentVolume(IAudioEndpointVolume* volumeControl) {
  volumeControl->SetMasterVolumeLevelScalar(ScalarOfPercent(currentVolume.volumeLevel), &GUID_NULL);
  volumeControl->SetMute(currentVolume.bMuted, &GUID_NULL);
}

void EndpointCallback::DetachFromEndpoint() {
  WriteTrace(L"DetachFromEndpoint entry");
  if (ownsLock_) {
    CriticalSectionGuard hold(endpointLock);
    detachLocked();
  }
  WriteTrace(L"DetachFromEndpoint exit");
}

void EndpointCallback::detachLocked() {
  WriteTrace(L"Detach from endpoint: %d", ReferenceValue(defaultDevice.get()));
  if (endpointVolume) {
    if (controlChangeRegistered) {
      endpointVolume->UnregisterControlChangeNotify(volumeCallback());
      controlChangeRegistered = 0;
    }
    releaseMember(endpointVolume);
  }
  releaseMember(defaultDevice);
}

void EndpointCallback::ChangeEndpoint() {
  WriteTrace(L"ChangeEndpoint entry");
  DetachFromEndpoint();
  AttachToDefaultEndpoint();
  WriteTrace(L"ChangeEndpoint exit");
}
