// The jack connection-type probe over the active capture and render
// endpoints, and the one-time creation of its list.
#include "endpoint/jack_probe.h"

#include "diagnostics/trace.h"
#include "endpoint/audio_ids.h"
#include "endpoint/jack_walk.h"
#include "platform/com_memory.h"
#include "platform/com_ptr.h"
#include "platform/win32.h"

constinit ProcessWide<SpecifiedDevices> specifiedDevices;

namespace {

constinit ProcessWide<INIT_ONCE> specifiedDevicesOnce;

BOOL WINAPI CreateSpecifiedDevices(PINIT_ONCE, PVOID, PVOID*) {
  specifiedDevices.Create();
  return TRUE;
}

// Null when the one-time creation failed.
SpecifiedDevices* SpecifiedDevicesList() {
  if (!InitOnceExecuteOnce(specifiedDevicesOnce.get(), CreateSpecifiedDevices, nullptr, nullptr)) {
    return nullptr;
  }
  return specifiedDevices.get();
}

// What differs between the two passes: the flow, the trace texts, and
// whether each endpoint's steps are traced (the capture pass only).
struct ProbePass {
  EDataFlow flow;
  const wchar_t* activeTrace;
  const wchar_t* severalTrace;
  const wchar_t* connectionTypeTrace;
  const wchar_t* foundTrace;
  bool tracesSteps;
};

constexpr ProbePass CAPTURE_PASS = {eCapture,
                                    L"To get activate capture device",
                                    L"More than one capture device",
                                    L"Capture ConnectionType: %d",
                                    L"Get specified Capture device: eConnType3Point5mm",
                                    true};
constexpr ProbePass RENDER_PASS = {eRender,
                                   L"To get activate render device",
                                   L"More than one render device",
                                   L"Render ConnectionType: %d",
                                   L"Get specified Render device: eConnType3Point5mm",
                                   false};

// Other analog connections count as the 3.5 mm jack, with the same trace.
bool IsAnalogJack(DWORD connectionType) {
  return connectionType == eConnType3Point5mm || connectionType == eConnTypeOtherAnalog;
}

const wchar_t* StepTrace(JackWalkStep step) {
  switch (step) {
    case JackWalkStep::TopologyActivated:
      return L"IDeviceTopology activate index: %d successfully";
    case JackWalkStep::ConnectorFound:
      return L"GetConnector index: %d successfully";
    case JackWalkStep::ConnectedToFound:
      return L"GetConnectedTo index: %d successfully";
    case JackWalkStep::PartFound:
      return L"QueryInterface index: %d successfully";
    case JackWalkStep::JackDescriptionActivated:
      break;
  }
  return L"IKsJackDescription Activate index: %d successfully";
}

// An id that GetId does not supply is listed as an empty string.
std::wstring DeviceIdOf(IMMDevice* endpoint) {
  UniqueCoTaskMemString id;
  if (FAILED(endpoint->GetId(id.put())) || !id) return std::wstring();
  return id.get();
}

void ProbeEndpoint(IMMDeviceCollection* endpoints, UINT index, const ProbePass& pass,
                   SpecifiedDevices& found) {
  int i = static_cast<int>(index);
  ComPtr<IMMDevice> endpoint;
  HRESULT status = endpoints->Item(index, endpoint.put());
  if (pass.tracesSteps) WriteTrace(L"Get device index: %d", i);
  if (FAILED(status)) return;
  if (pass.tracesSteps) WriteTrace(L"Get device index: %d successfully", i);
  std::function<void(JackWalkStep)> onStep;
  if (pass.tracesSteps) onStep = [i](JackWalkStep step) { WriteTrace(StepTrace(step), i); };
  for (const KSJACK_DESCRIPTION& jack : WalkJacks(endpoint.get(), onStep).jacks) {
    WriteTrace(pass.connectionTypeTrace, static_cast<int>(jack.ConnectionType));
    if (!IsAnalogJack(jack.ConnectionType)) continue;
    WriteTrace(pass.foundTrace);
    found.push_back(DeviceIdOf(endpoint.get()));
  }
}

// A single active endpoint is not examined: there is nothing to choose.
void Probe(IMMDeviceEnumerator* devices, const ProbePass& pass, SpecifiedDevices& found) {
  ComPtr<IMMDeviceCollection> endpoints;
  if (FAILED(devices->EnumAudioEndpoints(pass.flow, DEVICE_STATE_ACTIVE, endpoints.put()))) return;
  UINT count = 0;
  endpoints->GetCount(&count);
  WriteTrace(pass.activeTrace);
  if (count <= 1) return;
  WriteTrace(pass.severalTrace);
  for (UINT i = 0; i < count; ++i) ProbeEndpoint(endpoints.get(), i, pass, found);
}

}  // namespace

// CoInitialize on every call, never balanced here: the thread keeps its
// apartment.
void GetSpecifiedDevices(int mode) {
  SpecifiedDevices* found = SpecifiedDevicesList();
  if (found == nullptr) return;
  found->clear();
  if (FAILED(CoInitialize(nullptr))) return;
  ComPtr<IMMDeviceEnumerator> devices;
  if (FAILED(CoCreateInstance(ids::CLSID_MMDeviceEnumerator, nullptr, CLSCTX_ALL,
                              ids::IID_IMMDeviceEnumerator, devices.put_void()))) {
    return;
  }
  bool capture = mode == 1 || mode == 2;
  if (capture) Probe(devices.get(), CAPTURE_PASS, *found);
  if (capture || mode == 0) Probe(devices.get(), RENDER_PASS, *found);
}

void StartJackProbe() { specifiedDevicesOnce.Create(INIT_ONCE{}); }

void EndJackProbe() {
  specifiedDevices.Destroy();
  specifiedDevicesOnce.Destroy();
}
