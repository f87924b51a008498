// The two policy-config objects: endpoint properties written into the
// endpoint's own store or its effects store, and the default endpoint set
// per role. SetDefaultEndpoint refuses an endpoint that is not active and
// then changes nothing.
#include <cstring>
#include <optional>
#include <string>

#include "audio_objects.h"
#include "com_objects.h"

namespace sim::audio {
namespace {

using com::BeginCall;
using com::NotModelled;

StoredValue Stored(const PROPVARIANT& value) {
  StoredValue stored;
  stored.vt = value.vt;
  if (value.vt == VT_LPWSTR) {
    stored.text = value.pwszVal != nullptr ? value.pwszVal : L"";
    return stored;
  }
  std::memcpy(&stored.bits, &value.dblVal, sizeof stored.bits);
  return stored;
}

bool ValidRole(ERole role) { return role >= eConsole && role < ERole_enum_count; }

// Both interfaces carry nine methods the service never calls; the machine
// answers them as not modelled.
template <typename Interface>
class PolicyObject : public com::Object<Interface> {
 public:
  explicit PolicyObject(const char* unusedSlotName)
      : com::Object<Interface>(""), unusedSlotName_(unusedSlotName) {}

  HRESULT STDMETHODCALLTYPE UnusedSlot3() override { return Unused(); }
  HRESULT STDMETHODCALLTYPE UnusedSlot4() override { return Unused(); }
  HRESULT STDMETHODCALLTYPE UnusedSlot5() override { return Unused(); }
  HRESULT STDMETHODCALLTYPE UnusedSlot6() override { return Unused(); }
  HRESULT STDMETHODCALLTYPE UnusedSlot7() override { return Unused(); }
  HRESULT STDMETHODCALLTYPE UnusedSlot8() override { return Unused(); }
  HRESULT STDMETHODCALLTYPE UnusedSlot9() override { return Unused(); }
  HRESULT STDMETHODCALLTYPE UnusedSlot10() override { return Unused(); }
  HRESULT STDMETHODCALLTYPE UnusedSlot11() override { return Unused(); }

 private:
  HRESULT Unused() { return NotModelled(*this, unusedSlotName_); }
  const char* unusedSlotName_;
};

class PolicyConfig final : public PolicyObject<IPolicyConfig> {
 public:
  PolicyConfig() : PolicyObject("IPolicyConfig::(unused slot)") {}

  HRESULT STDMETHODCALLTYPE SetPropertyValue(LPCWSTR deviceId, BOOL bFxStore,
                                             const PROPERTYKEY* key, PROPVARIANT* value) override {
    if (auto error = BeginCall(*this, "IPolicyConfig::SetPropertyValue")) return *error;
    if (deviceId == nullptr || key == nullptr || value == nullptr) return E_POINTER;
    auto lock = Lock();
    EndpointRecord* endpoint = FindById(deviceId);
    if (endpoint == nullptr) return E_NOTFOUND;
    WriteProperty(*endpoint, bFxStore != FALSE, *key, Stored(*value));
    return S_OK;
  }
};

class PolicyConfigVista final : public PolicyObject<IPolicyConfigVista> {
 public:
  PolicyConfigVista() : PolicyObject("IPolicyConfigVista::(unused slot)") {}

  // An endpoint that is not active is not among the candidates: E_NOTFOUND.
  // Every call that names an id is recorded, refused or not.
  HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(LPCWSTR deviceId, ERole role) override {
    if (auto error = BeginCall(*this, "IPolicyConfigVista::SetDefaultEndpoint")) return *error;
    if (deviceId == nullptr) return E_POINTER;
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(deviceId);
    HRESULT result = S_OK;
    if (!ValidRole(role)) {
      result = E_INVALIDARG;
    } else if (endpoint == nullptr || !SetDefault(*endpoint, role)) {
      result = E_NOTFOUND;
    }
    std::optional<std::string> name;
    if (endpoint != nullptr) name = endpoint->name;
    TheState().defaultRequests.push_back({deviceId, name, role, result});
    return result;
  }
};

}  // namespace

IPolicyConfig* NewPolicyConfig() { return com::NewObject<PolicyConfig>(); }
IPolicyConfigVista* NewPolicyConfigVista() { return com::NewObject<PolicyConfigVista>(); }

}  // namespace sim::audio
