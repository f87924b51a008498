// Control surface of the simulated audio stack and of COM: set endpoints up,
// make the user change them, read their state, and read the COM audit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/win32/audio.h"

namespace sim::audio {

// Endpoints are known to the control surface by short names ("speakers");
// the machine gives each one an id in Windows' form,
// "{0.0.0.00000000}.{guid}" for render and "{0.0.1.00000000}.{guid}" for
// capture, derived from the name, so the same name always has the same id.
// Every function here throws std::invalid_argument for a name that is not
// (or, when adding, already) an endpoint's.

struct Jack {
  EPcxConnectionType connectionType = eConnType3Point5mm;
  bool connected = false;
};

struct EndpointSpec {
  EDataFlow flow = eRender;
  DWORD state = DEVICE_STATE_ACTIVE;
  // Speakers for render, Microphone for capture when not given.
  std::optional<uint32_t> formFactor;
  // With a topology: connector, part and jack description over these jacks
  // (none: a jack description with zero jacks). Without one, activating
  // IDeviceTopology fails with E_NOINTERFACE.
  bool topology = true;
  std::vector<Jack> jacks;
  // What IConnector::GetConnectedTo on the endpoint's connector answers
  // instead of the device's connector, as endpoints whose connector leads
  // nowhere answer (HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND) on some capture
  // endpoints). None: the connector on the device's side.
  std::optional<HRESULT> connectedToFailure;
  float volume = 1.0f;
  bool muted = false;
  // The default for all three roles of its flow.
  bool makeDefault = false;
};

// ---- set-up: no notifications ------------------------------------------------------

// A new endpoint, after those already there (the enumeration order). A flow
// without a default for a role gets its first active endpoint.
void AddEndpoint(const std::string& name, const EndpointSpec& desc);
std::wstring EndpointId(const std::string& name);
// The name of the endpoint with this id, when there is one.
std::optional<std::string> EndpointName(const std::wstring& id);

// ---- what the user does: registered callbacks are notified -------------------------
//
// Notifications are delivered on two threads of the machine (one for device
// notifications, one for volume notifications), never inside the call that
// caused them; Settle runs them. A change to the value an endpoint already
// has notifies nothing, as with Windows' own volume control.

// The endpoint's master volume (a scalar 0..1) or mute; `context` is the
// event context the volume callbacks see.
void ChangeVolume(const std::string& name, float scalar, const GUID& context = GUID_NULL);
void ChangeMute(const std::string& name, bool muted, const GUID& context = GUID_NULL);
// The endpoint becomes the default of its flow for each role given: one
// default-change notification per role that changed. Refused (false, nothing
// changed) for an endpoint that is not active.
bool ChangeDefault(const std::string& name, const std::vector<ERole>& roles);
// A state change, an arrival, a removal: one notification each; then, for
// every role whose default endpoint is no longer active or is gone, the
// first other active endpoint of the flow becomes the default (none: the
// notification carries a null id).
void ChangeState(const std::string& name, DWORD state);
void Arrive(const std::string& name, const EndpointSpec& desc);
void Remove(const std::string& name);

// ---- reading -----------------------------------------------------------------------

struct EndpointState {
  std::wstring id;
  EDataFlow flow;
  DWORD state;
  float volume;
  bool muted;
};
std::optional<EndpointState> Endpoint(const std::string& name);
// Names of the endpoints, in enumeration order.
std::vector<std::string> Endpoints();
// The name of the default endpoint of a flow for a role, if there is one.
std::optional<std::string> DefaultEndpoint(EDataFlow flow, ERole role);

// The last value written through IPolicyConfig::SetPropertyValue under a key
// of an endpoint, and into which store it went.
struct PropertyWrite {
  bool fxStore;
  VARTYPE vt;
  uint32_t value;  // the 32-bit value of the PROPVARIANT
};
std::optional<PropertyWrite> LastPropertyWrite(const std::string& name, const PROPERTYKEY& key);

// One IPolicyConfigVista::SetDefaultEndpoint call, refused ones included:
// the id it named, the endpoint's name when the id was an endpoint's at the
// time, the role, and what the call answered.
struct DefaultRequest {
  std::wstring id;
  std::optional<std::string> name;
  ERole role = eConsole;
  HRESULT result = S_OK;
};
// Every such call since Reset, in call order.
std::vector<DefaultRequest> DefaultRequests();

// Callbacks registered now by live processes: device notification clients,
// and volume callbacks on the endpoint.
int DeviceCallbacks();
int VolumeCallbacks(const std::string& name);

}  // namespace sim::audio

namespace sim::com {

// The COM audit, since Reset. A fault is a reference released more often
// than it was taken, a call on an object after its last Release (the
// machine keeps released objects as inert zombies until Reset, so such a
// call is recorded, not a crash), a call on a thread that has not
// initialised COM, or task memory freed that the machine did not give out.
std::vector<std::string> Faults();
// Objects that the live (or, when none lives, the last) service process
// obtained and has not released.
int LiveObjects();
// Objects obtained by service processes that have ended, still referenced:
// one line each, "IMMDevice #12 (speakers)".
std::vector<std::string> LeftByEndedProcesses();

}  // namespace sim::com
