// IMMDevice and the endpoint's IPropertyStore. A device object stays bound
// to its endpoint's id; once the endpoint is gone it still tells its id and
// reports DEVICE_STATE_NOTPRESENT, and everything else answers E_NOTFOUND.
#include <cstring>

#include "audio_objects.h"
#include "com_memory.h"
#include "com_objects.h"

namespace sim::audio {
namespace {

using com::BeginCall;

// Copies a stored value out as a PROPVARIANT of the caller's.
void CopyOut(const StoredValue& value, PROPVARIANT* out) {
  std::memset(static_cast<void*>(out), 0, sizeof *out);
  out->vt = value.vt;
  if (value.vt == VT_LPWSTR) {
    out->pwszVal = com::TaskMemCopy(value.text);
    return;
  }
  std::memcpy(&out->dblVal, &value.bits, sizeof value.bits);
}

class Store final : public com::Object<IPropertyStore> {
 public:
  explicit Store(const EndpointRecord& endpoint)
      : Object(endpoint.name), endpointId_(endpoint.id) {}

  HRESULT STDMETHODCALLTYPE GetCount(DWORD* cProps) override {
    if (auto error = BeginCall(*this, "IPropertyStore::GetCount")) return *error;
    if (cProps == nullptr) return E_POINTER;
    auto lock = Lock();
    const PropertyStore* store = Properties();
    if (store == nullptr) return E_NOTFOUND;
    *cProps = static_cast<DWORD>(store->properties.size());
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetAt(DWORD iProp, PROPERTYKEY* pkey) override {
    if (auto error = BeginCall(*this, "IPropertyStore::GetAt")) return *error;
    if (pkey == nullptr) return E_POINTER;
    auto lock = Lock();
    const PropertyStore* store = Properties();
    if (store == nullptr) return E_NOTFOUND;
    if (iProp >= store->properties.size()) return E_INVALIDARG;
    *pkey = store->properties[iProp].key;
    return S_OK;
  }

  // A property the store does not hold comes back VT_EMPTY, with S_OK.
  HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* pv) override {
    if (auto error = BeginCall(*this, "IPropertyStore::GetValue")) return *error;
    if (pv == nullptr) return E_POINTER;
    auto lock = Lock();
    const PropertyStore* store = Properties();
    if (store == nullptr) return E_NOTFOUND;
    const StoredValue* value = store->Find(key);
    CopyOut(value != nullptr ? *value : StoredValue{}, pv);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY, REFPROPVARIANT) override {
    return com::NotModelled(*this, "IPropertyStore::SetValue");
  }
  HRESULT STDMETHODCALLTYPE Commit() override {
    return com::NotModelled(*this, "IPropertyStore::Commit");
  }

 private:
  const PropertyStore* Properties() const {
    const EndpointRecord* endpoint = FindById(endpointId_);
    return endpoint != nullptr ? &endpoint->endpointStore : nullptr;
  }

  std::wstring endpointId_;
};

class Device final : public com::Object<IMMDevice> {
 public:
  explicit Device(const EndpointRecord& endpoint)
      : Object(endpoint.name), endpointId_(endpoint.id) {}

  // The endpoint volume and the device topology; a device without a
  // topology has no IDeviceTopology to give.
  HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD, PROPVARIANT*, void** ppInterface) override {
    if (ppInterface != nullptr) *ppInterface = nullptr;
    if (auto error = BeginCall(*this, "IMMDevice::Activate")) return *error;
    if (ppInterface == nullptr) return E_POINTER;
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(endpointId_);
    if (endpoint == nullptr) return E_NOTFOUND;
    if (iid == com::InterfaceOf<IAudioEndpointVolume>::iid) {
      *ppInterface = NewEndpointVolume(*endpoint);
      return S_OK;
    }
    if (iid == com::InterfaceOf<IDeviceTopology>::iid && endpoint->topology) {
      *ppInterface = NewTopology(*endpoint);
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD stgmAccess,
                                              IPropertyStore** ppProperties) override {
    if (ppProperties != nullptr) *ppProperties = nullptr;
    if (auto error = BeginCall(*this, "IMMDevice::OpenPropertyStore")) return *error;
    if (ppProperties == nullptr) return E_POINTER;
    if (stgmAccess != STGM_READ && stgmAccess != STGM_WRITE && stgmAccess != STGM_READWRITE) {
      return E_INVALIDARG;
    }
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(endpointId_);
    if (endpoint == nullptr) return E_NOTFOUND;
    *ppProperties = NewPropertyStore(*endpoint);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetId(LPWSTR* ppstrId) override {
    if (ppstrId != nullptr) *ppstrId = nullptr;
    if (auto error = BeginCall(*this, "IMMDevice::GetId")) return *error;
    if (ppstrId == nullptr) return E_POINTER;
    auto lock = Lock();
    *ppstrId = com::TaskMemCopy(endpointId_);
    return *ppstrId != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  HRESULT STDMETHODCALLTYPE GetState(DWORD* pdwState) override {
    if (auto error = BeginCall(*this, "IMMDevice::GetState")) return *error;
    if (pdwState == nullptr) return E_POINTER;
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(endpointId_);
    *pdwState = endpoint != nullptr ? endpoint->state : DEVICE_STATE_NOTPRESENT;
    return S_OK;
  }

 private:
  std::wstring endpointId_;
};

}  // namespace

IMMDevice* NewDevice(const EndpointRecord& endpoint) { return com::NewObject<Device>(endpoint); }

IPropertyStore* NewPropertyStore(const EndpointRecord& endpoint) {
  return com::NewObject<Store>(endpoint);
}

}  // namespace sim::audio
