// The default-device priority policy: the start-up scans for the HDMI
// endpoint and for the endpoints on the jack of the priority connection
// type, the checks of an endpoint that arrived, and the one way the service
// records an endpoint's id and makes an endpoint the default.
#include "diagnostics/trace.h"
#include "endpoint/audio_ids.h"
#include "endpoint/endpoint_callback.h"
#include "endpoint/jack_walk.h"
#include "endpoint/priority_rules.h"

// What differs between the render and the capture half of the priority
// scan.
struct PriorityPass {
  EDataFlow flow;
  RecordedId recorded;
  const wchar_t* defaultTrace;
};

namespace {

constexpr PriorityPass RENDER_PASS = {eRender, RecordedId::PriorityRender,
                                      L"Set PriorityConnectionType:%d as default output device"};
constexpr PriorityPass CAPTURE_PASS = {eCapture, RecordedId::PriorityCapture,
                                       L"Set PriorityConnectionType:%d as default input device"};

LPCWSTR IdOf(const std::optional<std::wstring>& id) { return id ? id->c_str() : nullptr; }

// The endpoint's form factor, between the traces of a property read; the
// result of the first call that failed, or S_OK. Without a device the read
// fails after its entry trace.
HRESULT ReadFormFactor(IMMDevice* device, ScopedPropVariant* value) {
  WriteTrace(L"GetPropertyValue entry");
  if (device == nullptr) return E_POINTER;
  ComPtr<IPropertyStore> store;
  HRESULT status = device->OpenPropertyStore(STGM_READ, store.put());
  if (FAILED(status)) return status;
  status = store->GetValue(ids::PKEY_AudioEndpoint_FormFactor, value->put());
  if (FAILED(status)) return status;
  WriteTrace(L"GetPropertyValue exit");
  return S_OK;
}

// A digital display device; only the low word of the value counts.
bool IsHdmiFormFactor(const PROPVARIANT& value) {
  return value.vt == VT_UI4 && static_cast<WORD>(value.ulVal) == DigitalAudioDisplayDevice;
}

// Null unless the enumerator finds the endpoint with exactly S_OK.
ComPtr<IMMDevice> DeviceWithId(const ComPtr<IMMDeviceEnumerator>& devices, LPCWSTR deviceId) {
  ComPtr<IMMDevice> device;
  if (!devices || devices->GetDevice(deviceId, device.put()) != S_OK) device.reset();
  return device;
}

// A connector on the endpoint that leads nowhere answers GetConnectedTo
// with ERROR_PATH_NOT_FOUND; the scan takes that as "no such interface".
HRESULT WalkStatus(const JackList& walk) {
  bool leadsNowhere = walk.failedStep == JackWalkStep::ConnectedToFound &&
                      walk.lastStatus == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  return leadsNowhere ? E_NOINTERFACE : walk.lastStatus;
}

}  // namespace

// The priority scan runs only after an HDMI scan that did not fail.
HRESULT EndpointCallback::runStartupScans() {
  HRESULT status = ScanHdmiDevices();
  if (FAILED(status)) return status;
  return ScanPriorityConnectionTypeDevices();
}

// Every render endpoint in every state, so an HDMI endpoint unplugged at
// start-up is recorded too; with several, the last one stays recorded. The
// result is that of the last endpoint visited.
HRESULT EndpointCallback::ScanHdmiDevices() {
  ComPtr<IMMDeviceEnumerator> devices = enumerator();
  if (!devices) return E_POINTER;
  ComPtr<IMMDeviceCollection> endpoints;
  HRESULT status = devices->EnumAudioEndpoints(eRender, DEVICE_STATEMASK_ALL, endpoints.put());
  if (FAILED(status)) return status;
  UINT count = 0;
  endpoints->GetCount(&count);
  status = S_OK;
  for (UINT i = 0; i < count; ++i) status = scanForHdmi(endpoints.get(), i);
  return status;
}

HRESULT EndpointCallback::scanForHdmi(IMMDeviceCollection* endpoints, UINT index) {
  ComPtr<IMMDevice> device;
  endpoints->Item(index, device.put());
  ScopedPropVariant formFactor;
  HRESULT status = ReadFormFactor(device.get(), &formFactor);
  if (FAILED(status)) return status;
  if (!IsHdmiFormFactor(formFactor.get())) return S_OK;
  return preferHdmi(device.get());
}

// The result of the last switch, S_OK when none was made.
HRESULT EndpointCallback::preferHdmi(IMMDevice* device) {
  WriteTrace(L"HDMI device presented");
  std::optional<std::wstring> id;
  recordId(RecordedId::Hdmi, device, &id);
  HRESULT status = switchDefault(IdOf(id), SCAN_ROLES).value_or(S_OK);
  WriteTrace(L"Set HDMI as default output device");
  return status;
}

// 0 means that no connection type has priority. Compared as a type, it
// would make any endpoint with a jack of unknown type (which internal
// speakers often report) the default at every start, over the user's
// choice; so with 0 nothing is recorded and nothing switched.
HRESULT EndpointCallback::ScanPriorityConnectionTypeDevices() {
  if (PriorityType() == 0) return S_OK;
  scanForPriority(RENDER_PASS);
  return scanForPriority(CAPTURE_PASS);
}

// One flow, every endpoint in every state, up to the first endpoint with a
// jack of the priority type. The result of the last call made.
HRESULT EndpointCallback::scanForPriority(const PriorityPass& pass) {
  ComPtr<IMMDeviceEnumerator> devices = enumerator();
  if (!devices) return E_POINTER;
  ComPtr<IMMDeviceCollection> endpoints;
  HRESULT status = devices->EnumAudioEndpoints(pass.flow, DEVICE_STATEMASK_ALL, endpoints.put());
  if (FAILED(status)) return status;
  UINT count = 0;
  status = endpoints->GetCount(&count);
  bool found = false;
  for (UINT i = 0; i < count && !found; ++i) {
    ComPtr<IMMDevice> device;
    status = endpoints->Item(i, device.put());
    if (FAILED(status)) continue;
    found = preferPriorityJacks(pass, device.get(), &status);
  }
  return status;
}

// Each jack of the priority type, in index order, records the endpoint
// again, and a connected one makes it the default: an endpoint with two
// such jacks does both twice. Whether there was such a jack.
bool EndpointCallback::preferPriorityJacks(const PriorityPass& pass, IMMDevice* device,
                                           HRESULT* status) {
  int type = static_cast<int>(PriorityType());
  JackList walk = WalkJacks(device);
  *status = WalkStatus(walk);
  bool found = false;
  for (const KSJACK_DESCRIPTION& jack : walk.jacks) {
    if (static_cast<int>(jack.ConnectionType) != type) continue;
    found = true;
    WriteTrace(L"PriorityConnectionType:%d device presented", type);
    std::optional<std::wstring> id;
    *status = recordId(pass.recorded, device, &id);
    if (!jack.IsConnected) continue;
    if (std::optional<HRESULT> switched = switchDefault(IdOf(id), SCAN_ROLES)) *status = *switched;
    WriteTrace(pass.defaultTrace, type);
  }
  return found;
}

bool EndpointCallback::CheckHdmiDevice(LPCWSTR deviceId) {
  ComPtr<IMMDevice> device = DeviceWithId(enumerator(), deviceId);
  if (!device) return false;
  ScopedPropVariant formFactor;
  if (FAILED(ReadFormFactor(device.get(), &formFactor))) return false;
  if (!IsHdmiFormFactor(formFactor.get())) return false;
  preferHdmi(device.get());
  return true;
}

// Whether the jack is connected does not matter here.
bool EndpointCallback::IsPriorityConnectionTypeDevice(LPCWSTR deviceId) {
  ComPtr<IMMDevice> device = DeviceWithId(enumerator(), deviceId);
  if (!device) return false;
  return WalkJacks(device.get()).HasConnectionType(PriorityType());
}

HRESULT EndpointCallback::recordId(RecordedId which, IMMDevice* device,
                                   std::optional<std::wstring>* recorded) {
  UniqueCoTaskMemString id;
  HRESULT status = device->GetId(id.put());
  *recorded = id ? std::optional<std::wstring>(id.get()) : std::nullopt;
  deviceIds.Replace(which, std::move(id));
  return status;
}

// A Dispose on another thread may let go of the policy-config object at
// any time: the switch calls through its own counted copy.
std::optional<HRESULT> EndpointCallback::switchDefault(LPCWSTR deviceId,
                                                       std::span<const ERole> roles) {
  ComPtr<IPolicyConfigVista> switcher = defaultSwitcher();
  if (!switcher) return std::nullopt;
  HRESULT status = S_OK;
  for (ERole role : roles) status = switcher->SetDefaultEndpoint(deviceId, role);
  return status;
}
