// The jack walk over one endpoint.
#include "endpoint/jack_walk.h"

#include "endpoint/audio_ids.h"
#include "platform/com_ptr.h"

namespace {

// Records a step's result; true when the walk goes on.
bool Stepped(JackList& list, HRESULT status, JackWalkStep step,
             const std::function<void(JackWalkStep)>& onStep) {
  list.lastStatus = status;
  if (status != S_OK) {
    list.failedStep = step;
    return false;
  }
  if (onStep) onStep(step);
  return true;
}

void ReadJacks(IKsJackDescription* description, JackList& list) {
  UINT count = 0;
  list.lastStatus = description->GetJackCount(&count);
  if (list.lastStatus != S_OK) return;
  list.complete = true;
  for (UINT j = 0; j < count; ++j) {
    KSJACK_DESCRIPTION jack{};
    list.lastStatus = description->GetJackDescription(j, &jack);
    if (list.lastStatus == S_OK) list.jacks.push_back(jack);
  }
}

}  // namespace

bool JackList::HasConnectionType(DWORD connectionType) const {
  for (const KSJACK_DESCRIPTION& jack : jacks) {
    if (static_cast<DWORD>(jack.ConnectionType) == connectionType) return true;
  }
  return false;
}

JackList WalkJacks(IMMDevice* device, const std::function<void(JackWalkStep)>& onStep) {
  JackList list;
  ComPtr<IDeviceTopology> topology;
  HRESULT status =
      device->Activate(ids::IID_IDeviceTopology, CLSCTX_ALL, nullptr, topology.put_void());
  if (!Stepped(list, status, JackWalkStep::TopologyActivated, onStep)) return list;
  ComPtr<IConnector> endpointSide;
  status = topology->GetConnector(0, endpointSide.put());
  if (!Stepped(list, status, JackWalkStep::ConnectorFound, onStep)) return list;
  ComPtr<IConnector> deviceSide;
  status = endpointSide->GetConnectedTo(deviceSide.put());
  if (!Stepped(list, status, JackWalkStep::ConnectedToFound, onStep)) return list;
  ComPtr<IPart> part;
  status = deviceSide->QueryInterface(ids::IID_IPart, part.put_void());
  if (!Stepped(list, status, JackWalkStep::PartFound, onStep)) return list;
  ComPtr<IKsJackDescription> description;
  status =
      part->Activate(CLSCTX_INPROC_SERVER, ids::IID_IKsJackDescription, description.put_void());
  if (!Stepped(list, status, JackWalkStep::JackDescriptionActivated, onStep)) return list;
  ReadJacks(description.get(), list);
  return list;
}
