// The device topology of the simulated audio stack: the chain to the jack
// description and what lies beside it (a walk through each of its steps,
// without a topology and with each step failing, is the jack walk's test).
#include "audio_fixture.h"

namespace sim_test {
namespace {

using sim::com::InterfaceOf;

class AudioTopologyTest : public AudioTest {
 protected:
  void TearDown() override {
    for (IUnknown* object : obtained_) object->Release();
    AudioTest::TearDown();
  }

  template <typename T>
  T* Keep(T* object) {
    if (object != nullptr) obtained_.push_back(object);
    return object;
  }

  IMMDevice* Device(const std::string& name) {
    if (enumerator_ == nullptr) {
      JoinCom();
      enumerator_ = Keep(NewEnumerator());
    }
    return Keep(DeviceOf(enumerator_, name));
  }

  // The jack description at the end of the chain.
  IKsJackDescription* Jacks(const std::string& name) {
    IDeviceTopology* topology = nullptr;
    EXPECT_EQ(Device(name)->Activate(InterfaceOf<IDeviceTopology>::iid, CLSCTX_ALL, nullptr,
                                     reinterpret_cast<void**>(&topology)),
              S_OK);
    IConnector* endpointSide = nullptr;
    EXPECT_EQ(Keep(topology)->GetConnector(0, &endpointSide), S_OK);
    IConnector* deviceSide = nullptr;
    EXPECT_EQ(Keep(endpointSide)->GetConnectedTo(&deviceSide), S_OK);
    IPart* part = nullptr;
    EXPECT_EQ(
        Keep(deviceSide)->QueryInterface(InterfaceOf<IPart>::iid, reinterpret_cast<void**>(&part)),
        S_OK);
    IKsJackDescription* jacks = nullptr;
    EXPECT_EQ(Keep(part)->Activate(CLSCTX_INPROC_SERVER, InterfaceOf<IKsJackDescription>::iid,
                                   reinterpret_cast<void**>(&jacks)),
              S_OK);
    return Keep(jacks);
  }

  IMMDeviceEnumerator* enumerator_ = nullptr;
  std::vector<IUnknown*> obtained_;
};

TEST_F(AudioTopologyTest, TheChainEndsInTheEndpointsJacks) {
  sim::audio::EndpointSpec desc;
  desc.jacks = {{eConnType3Point5mm, true}, {eConnTypeOtherAnalog, false}};
  sim::audio::AddEndpoint("headphones", desc);
  IKsJackDescription* jacks = Jacks("headphones");
  UINT count = 0;
  ASSERT_EQ(jacks->GetJackCount(&count), S_OK);
  ASSERT_EQ(count, 2u);
  KSJACK_DESCRIPTION jack{};
  ASSERT_EQ(jacks->GetJackDescription(0, &jack), S_OK);
  EXPECT_EQ(jack.ConnectionType, eConnType3Point5mm);
  EXPECT_EQ(jack.IsConnected, TRUE);
  ASSERT_EQ(jacks->GetJackDescription(1, &jack), S_OK);
  EXPECT_EQ(jack.ConnectionType, eConnTypeOtherAnalog);
  EXPECT_EQ(jack.IsConnected, FALSE);
  EXPECT_EQ(jacks->GetJackDescription(2, &jack), E_INVALIDARG);
}

TEST_F(AudioTopologyTest, ATopologyWithoutJacksCountsZero) {
  sim::audio::AddEndpoint("speakers", {});
  UINT count = 7;
  ASSERT_EQ(Jacks("speakers")->GetJackCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
}

TEST_F(AudioTopologyTest, OnlyTheDevicesSideCarriesTheJackDescription) {
  sim::audio::AddEndpoint("speakers", {});
  IDeviceTopology* topology = nullptr;
  ASSERT_EQ(Device("speakers")
                ->Activate(InterfaceOf<IDeviceTopology>::iid, CLSCTX_ALL, nullptr,
                           reinterpret_cast<void**>(&topology)),
            S_OK);
  IConnector* endpointSide = nullptr;
  ASSERT_EQ(Keep(topology)->GetConnector(0, &endpointSide), S_OK);
  IPart* part = nullptr;
  ASSERT_EQ(
      Keep(endpointSide)->QueryInterface(InterfaceOf<IPart>::iid, reinterpret_cast<void**>(&part)),
      S_OK);
  void* jacks = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(
      Keep(part)->Activate(CLSCTX_INPROC_SERVER, InterfaceOf<IKsJackDescription>::iid, &jacks),
      E_NOINTERFACE);
  EXPECT_EQ(jacks, nullptr);
  IConnector* second = nullptr;
  EXPECT_EQ(topology->GetConnector(1, &second), E_INVALIDARG);
  UINT connectors = 0;
  EXPECT_EQ(topology->GetConnectorCount(&connectors), S_OK);
  EXPECT_EQ(connectors, 1u);
}

}  // namespace
}  // namespace sim_test
