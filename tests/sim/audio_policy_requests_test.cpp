// What the control surface tells of the service's default switches (every
// SetDefaultEndpoint call, refused ones included) and an endpoint whose
// connector answers GetConnectedTo with a chosen failure.
#include "audio_fixture.h"

namespace sim_test {
namespace {

using sim::com::InterfaceOf;

class AudioPolicyRequestsTest : public AudioTest {
 protected:
  void SetUp() override {
    AudioTest::SetUp();
    JoinCom();
  }

  static IPolicyConfigVista* NewSwitcher() {
    IPolicyConfigVista* switcher = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_PolicyConfigVistaClient, nullptr, CLSCTX_ALL,
                               IID_IPolicyConfigVista, reinterpret_cast<void**>(&switcher)),
              S_OK);
    return switcher;
  }
};

TEST_F(AudioPolicyRequestsTest, EverySwitchIsRecordedWithItsAnswer) {
  sim::audio::AddEndpoint("speakers", {});
  sim::audio::EndpointSpec unplugged;
  unplugged.state = DEVICE_STATE_UNPLUGGED;
  sim::audio::AddEndpoint("hdmi", unplugged);
  IPolicyConfigVista* switcher = NewSwitcher();
  EXPECT_TRUE(sim::audio::DefaultRequests().empty());

  EXPECT_EQ(switcher->SetDefaultEndpoint(Id("speakers").c_str(), eMultimedia), S_OK);
  EXPECT_EQ(switcher->SetDefaultEndpoint(Id("hdmi").c_str(), eCommunications), E_NOTFOUND);
  EXPECT_EQ(switcher->SetDefaultEndpoint(L"{0.0.0.00000000}.{gone}", eConsole), E_NOTFOUND);
  EXPECT_EQ(switcher->SetDefaultEndpoint(Id("speakers").c_str(), ERole_enum_count), E_INVALIDARG);
  EXPECT_EQ(switcher->SetDefaultEndpoint(nullptr, eConsole), E_POINTER);
  switcher->Release();

  std::vector<sim::audio::DefaultRequest> requests = sim::audio::DefaultRequests();
  ASSERT_EQ(requests.size(), 4u) << "a call without an id names nothing";
  EXPECT_EQ(requests[0].name, "speakers");
  EXPECT_EQ(requests[0].role, eMultimedia);
  EXPECT_EQ(requests[0].result, S_OK);
  EXPECT_EQ(requests[1].id, Id("hdmi"));
  EXPECT_EQ(requests[1].name, "hdmi") << "refused, but still the call it was";
  EXPECT_EQ(requests[1].result, E_NOTFOUND);
  EXPECT_EQ(requests[2].name, std::nullopt);
  EXPECT_EQ(requests[2].id, L"{0.0.0.00000000}.{gone}");
  EXPECT_EQ(requests[3].result, E_INVALIDARG);
}

TEST_F(AudioPolicyRequestsTest, AConnectorLeadingNowhereAnswersTheChosenFailure) {
  sim::audio::EndpointSpec mic;
  mic.flow = eCapture;
  mic.jacks = {{eConnType3Point5mm, true}};
  mic.connectedToFailure = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  sim::audio::AddEndpoint("mic", mic);
  sim::audio::AddEndpoint("line", {});
  IMMDeviceEnumerator* enumerator = NewEnumerator();

  for (const char* name : {"mic", "line"}) {
    IMMDevice* device = DeviceOf(enumerator, name);
    IDeviceTopology* topology = nullptr;
    ASSERT_EQ(device->Activate(InterfaceOf<IDeviceTopology>::iid, CLSCTX_ALL, nullptr,
                               reinterpret_cast<void**>(&topology)),
              S_OK);
    IConnector* endpointSide = nullptr;
    ASSERT_EQ(topology->GetConnector(0, &endpointSide), S_OK);
    IConnector* deviceSide = reinterpret_cast<IConnector*>(0x1);
    HRESULT status = endpointSide->GetConnectedTo(&deviceSide);
    if (std::string(name) == "mic") {
      EXPECT_EQ(status, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)) << name;
      EXPECT_EQ(deviceSide, nullptr) << name;
    } else {
      EXPECT_EQ(status, S_OK) << name;
      ASSERT_NE(deviceSide, nullptr) << name;
      deviceSide->Release();
    }
    endpointSide->Release();
    topology->Release();
    device->Release();
  }
  enumerator->Release();
}

}  // namespace
}  // namespace sim_test
