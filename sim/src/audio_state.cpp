// The audio stack's state and the changes that notify the registered
// callbacks: volume, mute, defaults, states and endpoint properties.
#include "audio_state.h"

#include <algorithm>

#include "audio_notify.h"
#include "kernel.h"

namespace sim::audio {
namespace {

void ResetState() { TheState() = State{}; }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetState), true);

bool IsActive(const std::wstring* id) {
  if (id == nullptr) return false;
  const EndpointRecord* endpoint = FindById(*id);
  return endpoint != nullptr && endpoint->state == DEVICE_STATE_ACTIVE;
}

const EndpointRecord* FirstActive(EDataFlow flow) {
  for (const EndpointRecord& endpoint : TheState().endpoints) {
    if (endpoint.flow == flow && endpoint.state == DEVICE_STATE_ACTIVE) return &endpoint;
  }
  return nullptr;
}

void NotifyDefault(EDataFlow flow, ERole role, const std::optional<std::wstring>& id) {
  DeviceEvent event;
  event.kind = DeviceEvent::Kind::DefaultChanged;
  event.flow = flow;
  event.role = role;
  event.id = id;
  NotifyDevices(event);
}

}  // namespace

const StoredValue* PropertyStore::Find(const PROPERTYKEY& key) const {
  for (const Property& property : properties) {
    if (IsEqualPropertyKey(property.key, key)) return &property.value;
  }
  return nullptr;
}

void PropertyStore::Set(const PROPERTYKEY& key, const StoredValue& value) {
  for (Property& property : properties) {
    if (!IsEqualPropertyKey(property.key, key)) continue;
    property.value = value;
    return;
  }
  properties.push_back({key, value});
}

// Never destroyed; the reset hook puts it back to a new machine's state.
State& TheState() {
  static State* state = new State;
  return *state;
}

EndpointRecord* FindById(const std::wstring& id) {
  for (EndpointRecord& endpoint : TheState().endpoints) {
    if (endpoint.id == id) return &endpoint;
  }
  return nullptr;
}

const std::wstring* DefaultOf(EDataFlow flow, ERole role) {
  const std::optional<std::wstring>& id = TheState().defaults[flow][role];
  return id ? &*id : nullptr;
}

bool SetVolume(EndpointRecord& endpoint, float scalar, const GUID& context) {
  if (endpoint.volume == scalar) return false;
  endpoint.volume = scalar;
  NotifyVolume(endpoint.id, context, endpoint.muted, endpoint.volume);
  return true;
}

bool SetMute(EndpointRecord& endpoint, bool muted, const GUID& context) {
  if (endpoint.muted == muted) return false;
  endpoint.muted = muted;
  NotifyVolume(endpoint.id, context, endpoint.muted, endpoint.volume);
  return true;
}

bool SetDefault(const EndpointRecord& endpoint, ERole role) {
  if (endpoint.state != DEVICE_STATE_ACTIVE) return false;
  std::optional<std::wstring>& current = TheState().defaults[endpoint.flow][role];
  if (current == endpoint.id) return true;
  current = endpoint.id;
  NotifyDefault(endpoint.flow, role, current);
  return true;
}

void SetState(EndpointRecord& endpoint, DWORD state) {
  if (endpoint.state == state) return;
  endpoint.state = state;
  DeviceEvent event;
  event.kind = DeviceEvent::Kind::StateChanged;
  event.id = endpoint.id;
  event.state = state;
  NotifyDevices(event);
  ReconcileDefaults(endpoint.flow, true);
}

void WriteProperty(EndpointRecord& endpoint, bool fxStore, const PROPERTYKEY& key,
                   const StoredValue& value) {
  (fxStore ? endpoint.fxStore : endpoint.endpointStore).Set(key, value);
  auto& writes = endpoint.lastWrites;
  std::erase_if(writes, [&](const LastWrite& write) { return IsEqualPropertyKey(write.key, key); });
  writes.push_back({key, fxStore, value});
  DeviceEvent event;
  event.kind = DeviceEvent::Kind::PropertyChanged;
  event.id = endpoint.id;
  event.key = key;
  NotifyDevices(event);
}

void ReconcileDefaults(EDataFlow flow, bool notify) {
  for (int role = eConsole; role < ERole_enum_count; ++role) {
    std::optional<std::wstring>& current = TheState().defaults[flow][role];
    if (IsActive(current ? &*current : nullptr)) continue;
    const EndpointRecord* replacement = FirstActive(flow);
    std::optional<std::wstring> next;
    if (replacement != nullptr) next = replacement->id;
    if (next == current) continue;
    current = next;
    if (notify) NotifyDefault(flow, static_cast<ERole>(role), current);
  }
}

}  // namespace sim::audio
