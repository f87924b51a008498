// The audio stack's state: the endpoints with their property stores, jacks,
// volume and mute, and the default endpoint of each flow and role. Guarded
// by the machine lock.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/audio.h"

namespace sim::audio {

// A property value as a store keeps it.
struct StoredValue {
  VARTYPE vt = VT_EMPTY;
  uint64_t bits = 0;  // the union's bytes, for every type but strings
  std::wstring text;  // VT_LPWSTR
};

struct Property {
  PROPERTYKEY key;
  StoredValue value;
};

struct PropertyStore {
  std::vector<Property> properties;

  const StoredValue* Find(const PROPERTYKEY& key) const;
  void Set(const PROPERTYKEY& key, const StoredValue& value);
};

struct LastWrite {
  PROPERTYKEY key;
  bool fxStore;
  StoredValue value;
};

struct EndpointRecord {
  std::string name;
  std::wstring id;
  EDataFlow flow = eRender;
  DWORD state = DEVICE_STATE_ACTIVE;
  PropertyStore endpointStore;
  PropertyStore fxStore;
  std::vector<LastWrite> lastWrites;  // one per key written
  bool topology = true;
  std::vector<KSJACK_DESCRIPTION> jacks;
  std::optional<HRESULT> connectedToFailure;
  float volume = 1.0f;
  bool muted = false;
};

struct State {
  std::vector<EndpointRecord> endpoints;  // in enumeration order
  // The id of the default endpoint by flow (render, capture) and role.
  std::optional<std::wstring> defaults[2][ERole_enum_count];
  // Every SetDefaultEndpoint call, in call order.
  std::vector<DefaultRequest> defaultRequests;
};

State& TheState();

EndpointRecord* FindById(const std::wstring& id);
const std::wstring* DefaultOf(EDataFlow flow, ERole role);

// ---- changes that notify (lock held) ----------------------------------------------
//
// Each one queues its notifications for the registered callbacks. Setting a
// value the endpoint already has changes and notifies nothing; the results
// say whether something changed.

bool SetVolume(EndpointRecord& endpoint, float scalar, const GUID& context);
bool SetMute(EndpointRecord& endpoint, bool muted, const GUID& context);
// Refused (false) for an endpoint that is not active.
bool SetDefault(const EndpointRecord& endpoint, ERole role);
void SetState(EndpointRecord& endpoint, DWORD state);
void WriteProperty(EndpointRecord& endpoint, bool fxStore, const PROPERTYKEY& key,
                   const StoredValue& value);
// For each role of the flow whose default endpoint is no longer active or is
// gone, the first active endpoint of the flow becomes the default (or none);
// `notify` says whether the callbacks hear of it.
void ReconcileDefaults(EDataFlow flow, bool notify);

}  // namespace sim::audio
