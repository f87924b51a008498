// Pushing values to the attached endpoint: its volume and mute, which the
// object also remembers, and the service's custom endpoint property.
#include "diagnostics/trace.h"
#include "endpoint/audio_ids.h"
#include "endpoint/endpoint_callback.h"
#include "endpoint/volume_scale.h"
#include "platform/com_memory.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"

// The value is recorded whether or not the object is registered for volume
// notifications. A detach on another thread may have let go of the
// endpoint's volume since the registration was seen; the change then fails
// like a refused call.
void EndpointCallback::setVolume(int volumeLevel, LPCGUID eventContext) {
  WriteTrace(L"setVolume entry");
  currentVolume.volumeLevel = volumeLevel;
  if (!controlChangeRegistered) return;
  ComPtr<IAudioEndpointVolume> control = volume();
  HRESULT status =
      control ? control->SetMasterVolumeLevelScalar(ScalarOfPercent(volumeLevel), eventContext)
              : E_POINTER;
  if (FAILED(status)) WriteTrace(L"Set volume failed");
  WriteTrace(L"setVolume exit");
}

void EndpointCallback::setMute(int bMuted, LPCGUID eventContext) {
  WriteTrace(L"setMute entry");
  currentVolume.bMuted = bMuted;
  if (!controlChangeRegistered) return;
  ComPtr<IAudioEndpointVolume> control = volume();
  HRESULT status = control ? control->SetMute(bMuted, eventContext) : E_POINTER;
  if (FAILED(status)) WriteTrace(L"Set mute failed");
  WriteTrace(L"setMute exit");
}

CurrentVolume EndpointCallback::getCurrentVolume() {
  WriteTrace(L"getCurrentVolume entry");
  return CurrentVolume{currentVolume.bMuted, currentVolume.volumeLevel};
}

// Into the effects store when the feature asks for it. Failing without a
// trace of its own: no endpoint attached, no id, or the write refused.
HRESULT EndpointCallback::SetCustomAValue(DWORD value) {
  WriteTrace(L"SetCustomAValue entry");
  ComPtr<IMMDevice> endpoint = device();
  if (!endpoint) return E_POINTER;
  WriteTrace(L"SetPropertyValue entry");
  UniqueCoTaskMemString id;
  HRESULT status = endpoint->GetId(id.put());
  if (FAILED(status)) return status;
  ComPtr<IPolicyConfig> writer = propertyWriter();
  if (!writer) return E_POINTER;
  PROPVARIANT property{};
  property.vt = VT_UI4;
  property.ulVal = value;
  BOOL fxStore = IsFeatureOn(FxProperty) ? TRUE : FALSE;
  status = writer->SetPropertyValue(id.get(), fxStore, &PKEY_CustomAValue, &property);
  if (FAILED(status)) return status;
  WriteTrace(L"SetPropertyValue exit");
  return status;
}
