// The jack walk over one endpoint: the records it finds, the steps it
// reports, where it stops, and that it releases what it obtained.
#include "endpoint/jack_walk.h"
#include "endpoint/audio_ids.h"
#include "endpoint_fixture.h"
#include "platform/com_ptr.h"

namespace koru {
namespace {

class JackWalkTest : public EndpointTest {
 protected:
  // Walks the endpoint's jacks on a COM thread of the service process,
  // noting the steps it reports.
  JackList Walk(const std::string& name, std::vector<JackWalkStep>* steps = nullptr) {
    JackList list;
    std::wstring id = sim::audio::EndpointId(name);
    OnComThread([&] {
      ComPtr<IMMDeviceEnumerator> devices;
      ASSERT_EQ(CoCreateInstance(ids::CLSID_MMDeviceEnumerator, nullptr, CLSCTX_ALL,
                                 ids::IID_IMMDeviceEnumerator, devices.put_void()),
                S_OK);
      ComPtr<IMMDevice> device;
      ASSERT_EQ(devices->GetDevice(id.c_str(), device.put()), S_OK);
      list = WalkJacks(device.get(), [steps](JackWalkStep step) {
        if (steps != nullptr) steps->push_back(step);
      });
    });
    return list;
  }
};

std::vector<DWORD> TypesOf(const JackList& list) {
  std::vector<DWORD> types;
  for (const KSJACK_DESCRIPTION& jack : list.jacks) types.push_back(jack.ConnectionType);
  return types;
}

TEST_F(JackWalkTest, FindsEveryJackInIndexOrderThroughEveryStep) {
  sim::audio::AddEndpoint("combo", RenderWith(Headphones, {{eConnType3Point5mm, true},
                                                           {eConnTypeOptical, false},
                                                           {eConnTypeOtherAnalog, true}}));
  StartWith(0);
  std::vector<JackWalkStep> steps;
  JackList list = Walk("combo", &steps);
  EXPECT_TRUE(list.complete);
  EXPECT_EQ(list.lastStatus, S_OK);
  EXPECT_EQ(list.failedStep, std::nullopt);
  EXPECT_EQ(TypesOf(list), (std::vector<DWORD>{1, 5, 7}));
  EXPECT_EQ(list.jacks[1].IsConnected, FALSE);
  EXPECT_TRUE(list.HasConnectionType(eConnTypeOtherAnalog));
  EXPECT_FALSE(list.HasConnectionType(eConnTypeRCA));
  EXPECT_EQ(steps, (std::vector<JackWalkStep>{
                       JackWalkStep::TopologyActivated, JackWalkStep::ConnectorFound,
                       JackWalkStep::ConnectedToFound, JackWalkStep::PartFound,
                       JackWalkStep::JackDescriptionActivated}));
  EXPECT_EQ(sim::com::LiveObjects(), 0) << "the walk kept an interface";
}

TEST_F(JackWalkTest, AJackWhoseDescriptionFailsIsSkipped) {
  sim::audio::AddEndpoint(
      "combo", RenderWith(Headphones, {{eConnType3Point5mm, true}, {eConnTypeOtherAnalog, true}}));
  StartWith(0);
  sim::Fail("IKsJackDescription::GetJackDescription", {});
  JackList list = Walk("combo");
  EXPECT_TRUE(list.complete);
  EXPECT_EQ(TypesOf(list), std::vector<DWORD>{7});
}

TEST_F(JackWalkTest, AnEndpointWithoutTopologyHasNoJacks) {
  sim::audio::EndpointSpec usb = RenderWith(Headphones, {{eConnType3Point5mm, true}});
  usb.topology = false;
  sim::audio::AddEndpoint("usb", usb);
  StartWith(0);
  std::vector<JackWalkStep> steps;
  JackList list = Walk("usb", &steps);
  EXPECT_FALSE(list.complete);
  EXPECT_EQ(list.lastStatus, E_NOINTERFACE);
  EXPECT_EQ(list.failedStep, JackWalkStep::TopologyActivated);
  EXPECT_TRUE(list.jacks.empty());
  EXPECT_TRUE(steps.empty());
}

struct StopCase {
  const char* api;
  size_t stepsBefore;
  uint32_t skip = 0;  // calls of that name before the walk's own
};

class JackWalkStopTest : public JackWalkTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(JackWalkStopTest, AStepThatFailsEndsTheWalkWithNoJacks) {
  sim::audio::AddEndpoint("headphones", RenderWith(Headphones, {{eConnType3Point5mm, true}}));
  StartWith(0);
  sim::FaultSpec notFound;
  notFound.error = 0x80070003u;
  notFound.skip = GetParam().skip;
  sim::Fail(GetParam().api, notFound);
  std::vector<JackWalkStep> steps;
  JackList list = Walk("headphones", &steps);
  EXPECT_FALSE(list.complete);
  EXPECT_EQ(list.lastStatus, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(list.jacks.empty());
  EXPECT_EQ(steps.size(), GetParam().stepsBefore);
  // The step that failed is the one after those that succeeded; a failing
  // count of the jacks follows the last step.
  std::optional<JackWalkStep> failed;
  if (GetParam().stepsBefore <= static_cast<size_t>(JackWalkStep::JackDescriptionActivated)) {
    failed = static_cast<JackWalkStep>(GetParam().stepsBefore);
  }
  EXPECT_EQ(list.failedStep, failed);
  EXPECT_EQ(sim::com::LiveObjects(), 0);
}

INSTANTIATE_TEST_SUITE_P(Steps, JackWalkStopTest,
                         ::testing::Values(StopCase{"IMMDevice::Activate", 0},
                                           StopCase{"IDeviceTopology::GetConnector", 1},
                                           StopCase{"IConnector::GetConnectedTo", 2},
                                           StopCase{"IUnknown::QueryInterface", 3, 1},
                                           StopCase{"IPart::Activate", 4},
                                           StopCase{"IKsJackDescription::GetJackCount", 5}));

}  // namespace
}  // namespace koru
