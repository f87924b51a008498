// The device topology of an endpoint that has one: one connector on the
// endpoint's side, connected to a connector on the device's side, which as
// a part activates the IKsJackDescription over the endpoint's jacks.
// Connectors are parts too, as on Windows, so both sides answer IPart.
#include "audio_objects.h"
#include "com_objects.h"

namespace sim::audio {
namespace {

using com::BeginCall;
using com::NotModelled;

class JackDescription final : public com::Object<IKsJackDescription> {
 public:
  explicit JackDescription(const EndpointRecord& endpoint)
      : Object(endpoint.name), endpointId_(endpoint.id) {}

  HRESULT STDMETHODCALLTYPE GetJackCount(UINT* pcJacks) override {
    if (auto error = BeginCall(*this, "IKsJackDescription::GetJackCount")) return *error;
    if (pcJacks == nullptr) return E_POINTER;
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(endpointId_);
    if (endpoint == nullptr) return E_NOTFOUND;
    *pcJacks = static_cast<UINT>(endpoint->jacks.size());
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetJackDescription(UINT nJack,
                                               KSJACK_DESCRIPTION* pDescription) override {
    if (auto error = BeginCall(*this, "IKsJackDescription::GetJackDescription")) return *error;
    if (pDescription == nullptr) return E_POINTER;
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(endpointId_);
    if (endpoint == nullptr) return E_NOTFOUND;
    if (nJack >= endpoint->jacks.size()) return E_INVALIDARG;
    *pDescription = endpoint->jacks[nJack];
    return S_OK;
  }

 private:
  std::wstring endpointId_;
};

IKsJackDescription* NewJackDescription(const EndpointRecord& endpoint) {
  return com::NewObject<JackDescription>(endpoint);
}

enum class Side { Endpoint, Device };

class TopologyConnector final : public com::Object<IConnector, IPart> {
 public:
  TopologyConnector(const EndpointRecord& endpoint, Side side)
      : Object(endpoint.name), endpointId_(endpoint.id), side_(side) {}

  // ---- IConnector ----
  HRESULT STDMETHODCALLTYPE IsConnected(BOOL* pbConnected) override {
    if (auto error = BeginCall(*this, "IConnector::IsConnected")) return *error;
    if (pbConnected == nullptr) return E_POINTER;
    *pbConnected = TRUE;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetConnectedTo(IConnector** ppConTo) override {
    if (ppConTo != nullptr) *ppConTo = nullptr;
    if (auto error = BeginCall(*this, "IConnector::GetConnectedTo")) return *error;
    if (ppConTo == nullptr) return E_POINTER;
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(endpointId_);
    if (endpoint == nullptr) return E_NOTFOUND;
    if (side_ == Side::Endpoint && endpoint->connectedToFailure) {
      return *endpoint->connectedToFailure;
    }
    Side other = side_ == Side::Endpoint ? Side::Device : Side::Endpoint;
    *ppConTo = com::NewObject<TopologyConnector>(*endpoint, other);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetType(ConnectorType*) override {
    return NotModelled(*this, "IConnector::GetType");
  }
  HRESULT STDMETHODCALLTYPE GetDataFlow(DataFlow*) override {
    return NotModelled(*this, "IConnector::GetDataFlow");
  }
  HRESULT STDMETHODCALLTYPE ConnectTo(IConnector*) override {
    return NotModelled(*this, "IConnector::ConnectTo");
  }
  HRESULT STDMETHODCALLTYPE Disconnect() override {
    return NotModelled(*this, "IConnector::Disconnect");
  }
  HRESULT STDMETHODCALLTYPE GetConnectorIdConnectedTo(LPWSTR*) override {
    return NotModelled(*this, "IConnector::GetConnectorIdConnectedTo");
  }
  HRESULT STDMETHODCALLTYPE GetDeviceIdConnectedTo(LPWSTR*) override {
    return NotModelled(*this, "IConnector::GetDeviceIdConnectedTo");
  }

  // ---- IPart ----
  // Only the device's side carries the jack description.
  HRESULT STDMETHODCALLTYPE Activate(DWORD, REFIID refiid, void** ppvObject) override {
    if (ppvObject != nullptr) *ppvObject = nullptr;
    if (auto error = BeginCall(*this, "IPart::Activate")) return *error;
    if (ppvObject == nullptr) return E_POINTER;
    if (side_ != Side::Device || refiid != com::InterfaceOf<IKsJackDescription>::iid) {
      return E_NOINTERFACE;
    }
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(endpointId_);
    if (endpoint == nullptr) return E_NOTFOUND;
    *ppvObject = NewJackDescription(*endpoint);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetPartType(PartType* pPartType) override {
    if (auto error = BeginCall(*this, "IPart::GetPartType")) return *error;
    if (pPartType == nullptr) return E_POINTER;
    *pPartType = Connector;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetName(LPWSTR*) override {
    return NotModelled(*this, "IPart::GetName");
  }
  HRESULT STDMETHODCALLTYPE GetLocalId(UINT*) override {
    return NotModelled(*this, "IPart::GetLocalId");
  }
  HRESULT STDMETHODCALLTYPE GetGlobalId(LPWSTR*) override {
    return NotModelled(*this, "IPart::GetGlobalId");
  }
  HRESULT STDMETHODCALLTYPE GetSubType(GUID*) override {
    return NotModelled(*this, "IPart::GetSubType");
  }
  HRESULT STDMETHODCALLTYPE GetControlInterfaceCount(UINT*) override {
    return NotModelled(*this, "IPart::GetControlInterfaceCount");
  }
  HRESULT STDMETHODCALLTYPE GetControlInterface(UINT, IControlInterface**) override {
    return NotModelled(*this, "IPart::GetControlInterface");
  }
  HRESULT STDMETHODCALLTYPE EnumPartsIncoming(IPartsList**) override {
    return NotModelled(*this, "IPart::EnumPartsIncoming");
  }
  HRESULT STDMETHODCALLTYPE EnumPartsOutgoing(IPartsList**) override {
    return NotModelled(*this, "IPart::EnumPartsOutgoing");
  }
  HRESULT STDMETHODCALLTYPE GetTopologyObject(IDeviceTopology**) override {
    return NotModelled(*this, "IPart::GetTopologyObject");
  }
  HRESULT STDMETHODCALLTYPE RegisterControlChangeCallback(REFGUID, IControlChangeNotify*) override {
    return NotModelled(*this, "IPart::RegisterControlChangeCallback");
  }
  HRESULT STDMETHODCALLTYPE UnregisterControlChangeCallback(IControlChangeNotify*) override {
    return NotModelled(*this, "IPart::UnregisterControlChangeCallback");
  }

 private:
  std::wstring endpointId_;
  Side side_;
};

class Topology final : public com::Object<IDeviceTopology> {
 public:
  explicit Topology(const EndpointRecord& endpoint)
      : Object(endpoint.name), endpointId_(endpoint.id) {}

  HRESULT STDMETHODCALLTYPE GetConnectorCount(UINT* pCount) override {
    if (auto error = BeginCall(*this, "IDeviceTopology::GetConnectorCount")) return *error;
    if (pCount == nullptr) return E_POINTER;
    *pCount = 1;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetConnector(UINT nIndex, IConnector** ppConnector) override {
    if (ppConnector != nullptr) *ppConnector = nullptr;
    if (auto error = BeginCall(*this, "IDeviceTopology::GetConnector")) return *error;
    if (ppConnector == nullptr) return E_POINTER;
    if (nIndex != 0) return E_INVALIDARG;
    auto lock = Lock();
    const EndpointRecord* endpoint = FindById(endpointId_);
    if (endpoint == nullptr) return E_NOTFOUND;
    *ppConnector = com::NewObject<TopologyConnector>(*endpoint, Side::Endpoint);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetSubunitCount(UINT*) override {
    return NotModelled(*this, "IDeviceTopology::GetSubunitCount");
  }
  HRESULT STDMETHODCALLTYPE GetSubunit(UINT, ISubunit**) override {
    return NotModelled(*this, "IDeviceTopology::GetSubunit");
  }
  HRESULT STDMETHODCALLTYPE GetPartById(UINT, IPart**) override {
    return NotModelled(*this, "IDeviceTopology::GetPartById");
  }
  HRESULT STDMETHODCALLTYPE GetDeviceId(LPWSTR*) override {
    return NotModelled(*this, "IDeviceTopology::GetDeviceId");
  }
  HRESULT STDMETHODCALLTYPE GetSignalPath(IPart*, IPart*, BOOL, IPartsList**) override {
    return NotModelled(*this, "IDeviceTopology::GetSignalPath");
  }

 private:
  std::wstring endpointId_;
};

}  // namespace

IDeviceTopology* NewTopology(const EndpointRecord& endpoint) {
  return com::NewObject<Topology>(endpoint);
}

}  // namespace sim::audio
