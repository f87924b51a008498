// The control surface of the audio stack: endpoints set up by name, the
// user's changes, and what tests read back.
#include <cstdio>
#include <stdexcept>

#include "audio_notify.h"
#include "audio_state.h"
#include "com_ids.h"
#include "kernel.h"

namespace sim::audio {
namespace {

// 64-bit FNV-1a, for ids that follow from names.
uint64_t Hash(const std::string& text, uint64_t seed) {
  uint64_t hash = 0xCBF29CE484222325ull ^ seed;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001B3ull;
  }
  return hash;
}

// "{0.0.0.00000000}.{guid}" for render, "{0.0.1.00000000}.{guid}" for
// capture, the GUID in lower case as Windows writes endpoint ids.
std::wstring IdFor(const std::string& name, EDataFlow flow) {
  uint64_t high = Hash(name, 0);
  uint64_t low = Hash(name, 0x5EED);
  char text[64];
  std::snprintf(text, sizeof text, "{0.0.%d.00000000}.{%08x-%04x-%04x-%04x-%012llx}",
                flow == eCapture ? 1 : 0, static_cast<unsigned>(high >> 32),
                static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                static_cast<unsigned>(low >> 48),
                static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
  return std::wstring(text, text + std::char_traits<char>::length(text));
}

EndpointRecord* FindByName(const std::string& name) {
  for (EndpointRecord& endpoint : TheState().endpoints) {
    if (endpoint.name == name) return &endpoint;
  }
  return nullptr;
}

EndpointRecord& Named(const std::string& name) {
  EndpointRecord* endpoint = FindByName(name);
  if (endpoint == nullptr) throw std::invalid_argument("no endpoint named \"" + name + "\"");
  return *endpoint;
}

KSJACK_DESCRIPTION Describe(const Jack& jack) {
  KSJACK_DESCRIPTION description{};
  description.ChannelMapping = 0x3;  // front left and right
  description.ConnectionType = jack.connectionType;
  description.GeoLocation = eGeoLocRight;
  description.GenLocation = eGenLocPrimaryBox;
  description.PortConnection = ePortConnJack;
  description.IsConnected = jack.connected ? TRUE : FALSE;
  return description;
}

EndpointRecord Build(const std::string& name, const EndpointSpec& desc) {
  if (desc.flow != eRender && desc.flow != eCapture) {
    throw std::invalid_argument("an endpoint is either render or capture");
  }
  if (FindByName(name) != nullptr) throw std::invalid_argument("endpoint \"" + name + "\" exists");
  EndpointRecord endpoint;
  endpoint.name = name;
  endpoint.id = IdFor(name, desc.flow);
  endpoint.flow = desc.flow;
  endpoint.state = desc.state;
  uint32_t formFactor = desc.formFactor.value_or(desc.flow == eRender ? Speakers : Microphone);
  endpoint.endpointStore.Set(com::kFormFactorKey, {VT_UI4, formFactor, {}});
  endpoint.topology = desc.topology;
  for (const Jack& jack : desc.jacks) endpoint.jacks.push_back(Describe(jack));
  endpoint.connectedToFailure = desc.connectedToFailure;
  endpoint.volume = desc.volume;
  endpoint.muted = desc.muted;
  return endpoint;
}

// Lock held. `notify` tells whether callbacks hear of the arrival.
void Insert(const std::string& name, const EndpointSpec& desc, bool notify) {
  EndpointRecord built = Build(name, desc);
  TheState().endpoints.push_back(built);
  if (notify) {
    DeviceEvent added;
    added.kind = DeviceEvent::Kind::Added;
    added.id = built.id;
    NotifyDevices(added);
  }
  if (desc.makeDefault) {
    for (int role = eConsole; role < ERole_enum_count; ++role) {
      std::optional<std::wstring>& current = TheState().defaults[desc.flow][role];
      if (!notify) {
        current = built.id;
      } else {
        SetDefault(built, static_cast<ERole>(role));
      }
    }
  }
  ReconcileDefaults(desc.flow, notify);
}

}  // namespace

void AddEndpoint(const std::string& name, const EndpointSpec& desc) {
  auto lock = Lock();
  Insert(name, desc, false);
}

std::wstring EndpointId(const std::string& name) {
  auto lock = Lock();
  return Named(name).id;
}

std::optional<std::string> EndpointName(const std::wstring& id) {
  auto lock = Lock();
  const EndpointRecord* endpoint = FindById(id);
  if (endpoint == nullptr) return std::nullopt;
  return endpoint->name;
}

void ChangeVolume(const std::string& name, float scalar, const GUID& context) {
  auto lock = Lock();
  SetVolume(Named(name), scalar, context);
}

void ChangeMute(const std::string& name, bool muted, const GUID& context) {
  auto lock = Lock();
  SetMute(Named(name), muted, context);
}

bool ChangeDefault(const std::string& name, const std::vector<ERole>& roles) {
  auto lock = Lock();
  const EndpointRecord& endpoint = Named(name);
  if (endpoint.state != DEVICE_STATE_ACTIVE) return false;
  for (ERole role : roles) SetDefault(endpoint, role);
  return true;
}

void ChangeState(const std::string& name, DWORD state) {
  auto lock = Lock();
  SetState(Named(name), state);
}

void Arrive(const std::string& name, const EndpointSpec& desc) {
  auto lock = Lock();
  Insert(name, desc, true);
}

void Remove(const std::string& name) {
  auto lock = Lock();
  EndpointRecord& endpoint = Named(name);
  DeviceEvent removed;
  removed.kind = DeviceEvent::Kind::Removed;
  removed.id = endpoint.id;
  EDataFlow flow = endpoint.flow;
  std::erase_if(TheState().endpoints, [&](const EndpointRecord& e) { return e.name == name; });
  NotifyDevices(removed);
  ReconcileDefaults(flow, true);
}

std::optional<EndpointState> Endpoint(const std::string& name) {
  auto lock = Lock();
  const EndpointRecord* endpoint = FindByName(name);
  if (endpoint == nullptr) return std::nullopt;
  return EndpointState{endpoint->id, endpoint->flow, endpoint->state, endpoint->volume,
                       endpoint->muted};
}

std::vector<std::string> Endpoints() {
  auto lock = Lock();
  std::vector<std::string> names;
  for (const EndpointRecord& endpoint : TheState().endpoints) names.push_back(endpoint.name);
  return names;
}

std::optional<std::string> DefaultEndpoint(EDataFlow flow, ERole role) {
  auto lock = Lock();
  const std::wstring* id = DefaultOf(flow, role);
  const EndpointRecord* endpoint = id != nullptr ? FindById(*id) : nullptr;
  if (endpoint == nullptr) return std::nullopt;
  return endpoint->name;
}

std::optional<PropertyWrite> LastPropertyWrite(const std::string& name, const PROPERTYKEY& key) {
  auto lock = Lock();
  for (const LastWrite& write : Named(name).lastWrites) {
    if (!IsEqualPropertyKey(write.key, key)) continue;
    return PropertyWrite{write.fxStore, write.value.vt, static_cast<uint32_t>(write.value.bits)};
  }
  return std::nullopt;
}

std::vector<DefaultRequest> DefaultRequests() {
  auto lock = Lock();
  return TheState().defaultRequests;
}

int DeviceCallbacks() {
  auto lock = Lock();
  return CountDeviceClients();
}

int VolumeCallbacks(const std::string& name) {
  auto lock = Lock();
  return CountVolumeCallbacks(Named(name).id);
}

}  // namespace sim::audio
