// IAudioEndpointVolume: the endpoint's master volume and mute, and the
// control-change registrations. A change notifies every callback registered
// on the endpoint, with the caller's event context (GUID_NULL for none); a
// value the endpoint already has notifies nothing, and SetMute answers
// S_FALSE for it, as Windows does. Registrations end with the object that
// holds them.
#include "audio_notify.h"
#include "audio_objects.h"
#include "com_objects.h"

namespace sim::audio {
namespace {

using com::BeginCall;
using com::NotModelled;

// A stereo endpoint, as the notifications describe it.
constexpr UINT kChannels = 2;

class EndpointVolume final : public com::Object<IAudioEndpointVolume> {
 public:
  explicit EndpointVolume(const EndpointRecord& endpoint)
      : Object(endpoint.name), endpointId_(endpoint.id) {}

  HRESULT STDMETHODCALLTYPE
  RegisterControlChangeNotify(IAudioEndpointVolumeCallback* pNotify) override {
    if (auto error = BeginCall(*this, "IAudioEndpointVolume::RegisterControlChangeNotify")) {
      return *error;
    }
    if (pNotify == nullptr) return E_POINTER;
    pNotify->AddRef();
    auto lock = Lock();
    AddVolumeCallback(serial(), endpointId_, pNotify);
    return S_OK;
  }

  // A callback that is not registered on this object: E_INVALIDARG.
  HRESULT STDMETHODCALLTYPE
  UnregisterControlChangeNotify(IAudioEndpointVolumeCallback* pNotify) override {
    if (auto error = BeginCall(*this, "IAudioEndpointVolume::UnregisterControlChangeNotify")) {
      return *error;
    }
    if (pNotify == nullptr) return E_POINTER;
    {
      auto lock = Lock();
      if (!RemoveVolumeCallback(serial(), pNotify)) return E_INVALIDARG;
    }
    pNotify->Release();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetChannelCount(UINT* pnChannelCount) override {
    if (auto error = BeginCall(*this, "IAudioEndpointVolume::GetChannelCount")) return *error;
    if (pnChannelCount == nullptr) return E_POINTER;
    *pnChannelCount = kChannels;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(float fLevel,
                                                       LPCGUID pguidEventContext) override {
    if (auto error = BeginCall(*this, "IAudioEndpointVolume::SetMasterVolumeLevelScalar")) {
      return *error;
    }
    if (!(fLevel >= 0.0f && fLevel <= 1.0f)) return E_INVALIDARG;
    auto lock = Lock();
    EndpointRecord* endpoint = FindById(endpointId_);
    if (endpoint == nullptr) return E_NOTFOUND;
    SetVolume(*endpoint, fLevel, ContextOf(pguidEventContext));
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(float* pfLevel) override {
    if (auto error = BeginCall(*this, "IAudioEndpointVolume::GetMasterVolumeLevelScalar")) {
      return *error;
    }
    if (pfLevel == nullptr) return E_POINTER;
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(endpointId_);
    if (endpoint == nullptr) return E_NOTFOUND;
    *pfLevel = endpoint->volume;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetMute(BOOL bMute, LPCGUID pguidEventContext) override {
    if (auto error = BeginCall(*this, "IAudioEndpointVolume::SetMute")) return *error;
    auto lock = Lock();
    EndpointRecord* endpoint = FindById(endpointId_);
    if (endpoint == nullptr) return E_NOTFOUND;
    return audio::SetMute(*endpoint, bMute != FALSE, ContextOf(pguidEventContext)) ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE GetMute(BOOL* pbMute) override {
    if (auto error = BeginCall(*this, "IAudioEndpointVolume::GetMute")) return *error;
    if (pbMute == nullptr) return E_POINTER;
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(endpointId_);
    if (endpoint == nullptr) return E_NOTFOUND;
    *pbMute = endpoint->muted ? TRUE : FALSE;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetMasterVolumeLevel(float, LPCGUID) override {
    return NotModelled(*this, "IAudioEndpointVolume::SetMasterVolumeLevel");
  }
  HRESULT STDMETHODCALLTYPE GetMasterVolumeLevel(float*) override {
    return NotModelled(*this, "IAudioEndpointVolume::GetMasterVolumeLevel");
  }
  HRESULT STDMETHODCALLTYPE SetChannelVolumeLevel(UINT, float, LPCGUID) override {
    return NotModelled(*this, "IAudioEndpointVolume::SetChannelVolumeLevel");
  }
  HRESULT STDMETHODCALLTYPE SetChannelVolumeLevelScalar(UINT, float, LPCGUID) override {
    return NotModelled(*this, "IAudioEndpointVolume::SetChannelVolumeLevelScalar");
  }
  HRESULT STDMETHODCALLTYPE GetChannelVolumeLevel(UINT, float*) override {
    return NotModelled(*this, "IAudioEndpointVolume::GetChannelVolumeLevel");
  }
  HRESULT STDMETHODCALLTYPE GetChannelVolumeLevelScalar(UINT, float*) override {
    return NotModelled(*this, "IAudioEndpointVolume::GetChannelVolumeLevelScalar");
  }
  HRESULT STDMETHODCALLTYPE GetVolumeStepInfo(UINT*, UINT*) override {
    return NotModelled(*this, "IAudioEndpointVolume::GetVolumeStepInfo");
  }
  HRESULT STDMETHODCALLTYPE VolumeStepUp(LPCGUID) override {
    return NotModelled(*this, "IAudioEndpointVolume::VolumeStepUp");
  }
  HRESULT STDMETHODCALLTYPE VolumeStepDown(LPCGUID) override {
    return NotModelled(*this, "IAudioEndpointVolume::VolumeStepDown");
  }
  HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD*) override {
    return NotModelled(*this, "IAudioEndpointVolume::QueryHardwareSupport");
  }
  HRESULT STDMETHODCALLTYPE GetVolumeRange(float*, float*, float*) override {
    return NotModelled(*this, "IAudioEndpointVolume::GetVolumeRange");
  }

 private:
  static GUID ContextOf(LPCGUID context) { return context != nullptr ? *context : GUID_NULL; }

  // Lock held. Windows asks the client to unregister before its last
  // Release; a registration left behind goes with the object and is never
  // called again.
  void Ended() override { DropVolumeCallbacks(serial()); }

  std::wstring endpointId_;
};

}  // namespace

IAudioEndpointVolume* NewEndpointVolume(const EndpointRecord& endpoint) {
  return com::NewObject<EndpointVolume>(endpoint);
}

}  // namespace sim::audio
