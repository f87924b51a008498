// IMMDeviceEnumerator and IMMDeviceCollection: the endpoints by flow and
// state, the defaults, lookups by id, and the device notification
// registrations. A registration holds a reference to its client until it
// is unregistered, as on Windows.
#include "audio_notify.h"
#include "audio_objects.h"
#include "com_objects.h"

namespace sim::audio {
namespace {

using com::BeginCall;

bool ValidFlow(EDataFlow flow, bool allowAll) {
  return flow == eRender || flow == eCapture || (allowAll && flow == eAll);
}

bool ValidRole(ERole role) { return role >= eConsole && role < ERole_enum_count; }

// A snapshot of the endpoints at the time of the enumeration.
class Collection final : public com::Object<IMMDeviceCollection> {
 public:
  explicit Collection(std::vector<std::wstring> ids) : Object(""), ids_(std::move(ids)) {}

  HRESULT STDMETHODCALLTYPE GetCount(UINT* pcDevices) override {
    if (auto error = BeginCall(*this, "IMMDeviceCollection::GetCount")) return *error;
    if (pcDevices == nullptr) return E_POINTER;
    *pcDevices = static_cast<UINT>(ids_.size());
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Item(UINT nDevice, IMMDevice** ppDevice) override {
    if (ppDevice != nullptr) *ppDevice = nullptr;
    if (auto error = BeginCall(*this, "IMMDeviceCollection::Item")) return *error;
    if (ppDevice == nullptr) return E_POINTER;
    if (nDevice >= ids_.size()) return E_INVALIDARG;
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(ids_[nDevice]);
    if (endpoint == nullptr) return E_NOTFOUND;
    *ppDevice = NewDevice(*endpoint);
    return S_OK;
  }

 private:
  std::vector<std::wstring> ids_;
};

class Enumerator final : public com::Object<IMMDeviceEnumerator> {
 public:
  Enumerator() : Object("") {}

  HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow dataFlow, DWORD dwStateMask,
                                               IMMDeviceCollection** ppDevices) override {
    if (ppDevices != nullptr) *ppDevices = nullptr;
    if (auto error = BeginCall(*this, "IMMDeviceEnumerator::EnumAudioEndpoints")) return *error;
    if (ppDevices == nullptr) return E_POINTER;
    if (!ValidFlow(dataFlow, true) || (dwStateMask & ~DEVICE_STATEMASK_ALL) != 0) {
      return E_INVALIDARG;
    }
    auto lock = Lock();
    std::vector<const EndpointRecord*> found;
    for (const EndpointRecord& endpoint : TheState().endpoints) {
      bool flowMatches = dataFlow == eAll || endpoint.flow == dataFlow;
      if (flowMatches && (endpoint.state & dwStateMask) != 0) found.push_back(&endpoint);
    }
    *ppDevices = NewCollection(std::move(found));
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow dataFlow, ERole role,
                                                    IMMDevice** ppEndpoint) override {
    if (ppEndpoint != nullptr) *ppEndpoint = nullptr;
    if (auto error = BeginCall(*this, "IMMDeviceEnumerator::GetDefaultAudioEndpoint")) {
      return *error;
    }
    if (ppEndpoint == nullptr) return E_POINTER;
    if (!ValidFlow(dataFlow, false) || !ValidRole(role)) return E_INVALIDARG;
    auto lock = Lock();
    const std::wstring* id = DefaultOf(dataFlow, role);
    const EndpointRecord* endpoint = id != nullptr ? FindById(*id) : nullptr;
    if (endpoint == nullptr) return E_NOTFOUND;
    *ppEndpoint = NewDevice(*endpoint);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR pwstrId, IMMDevice** ppDevice) override {
    if (ppDevice != nullptr) *ppDevice = nullptr;
    if (auto error = BeginCall(*this, "IMMDeviceEnumerator::GetDevice")) return *error;
    if (pwstrId == nullptr || ppDevice == nullptr) return E_POINTER;
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(pwstrId);
    if (endpoint == nullptr) return E_NOTFOUND;
    *ppDevice = NewDevice(*endpoint);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE
  RegisterEndpointNotificationCallback(IMMNotificationClient* pClient) override {
    if (auto error =
            BeginCall(*this, "IMMDeviceEnumerator::RegisterEndpointNotificationCallback")) {
      return *error;
    }
    if (pClient == nullptr) return E_POINTER;
    pClient->AddRef();
    auto lock = Lock();
    AddDeviceClient(pClient);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE
  UnregisterEndpointNotificationCallback(IMMNotificationClient* pClient) override {
    if (auto error =
            BeginCall(*this, "IMMDeviceEnumerator::UnregisterEndpointNotificationCallback")) {
      return *error;
    }
    if (pClient == nullptr) return E_POINTER;
    {
      auto lock = Lock();
      if (!RemoveDeviceClient(pClient)) return E_NOTFOUND;
    }
    pClient->Release();
    return S_OK;
  }
};

}  // namespace

IMMDeviceEnumerator* NewEnumerator() { return com::NewObject<Enumerator>(); }

IMMDeviceCollection* NewCollection(std::vector<const EndpointRecord*> endpoints) {
  std::vector<std::wstring> ids;
  for (const EndpointRecord* endpoint : endpoints) ids.push_back(endpoint->id);
  return com::NewObject<Collection>(std::move(ids));
}

}  // namespace sim::audio
