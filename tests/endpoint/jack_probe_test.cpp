// The jack connection-type probe: which endpoints it lists in each mode,
// the more-than-one rule, the analog connection types, what it skips, its
// traces, and its COM apartment.
#include <algorithm>

#include "endpoint/jack_probe.h"
#include "endpoint_fixture.h"

namespace koru {
namespace {

using Ids = std::vector<std::wstring>;

class JackProbeTest : public EndpointTest {
 protected:
  static void Capture(const std::string& name, std::vector<sim::audio::Jack> jacks,
                      bool topology = true) {
    sim::audio::EndpointSpec desc;
    desc.flow = eCapture;
    desc.jacks = std::move(jacks);
    desc.topology = topology;
    sim::audio::AddEndpoint(name, desc);
  }
  static void Render(const std::string& name, std::vector<sim::audio::Jack> jacks,
                     bool topology = true) {
    sim::audio::EndpointSpec desc = RenderWith(Speakers, std::move(jacks));
    desc.topology = topology;
    sim::audio::AddEndpoint(name, desc);
  }
  static std::wstring Id(const std::string& name) { return sim::audio::EndpointId(name); }

  // Probes on a thread that joined COM as the worker threads do.
  Ids Probe(int mode) {
    OnComThread([mode] { GetSpecifiedDevices(mode); });
    return *specifiedDevices;
  }
};

TEST_F(JackProbeTest, ModeTwoListsCaptureThenRenderWithTheCaptureSteps) {
  Capture("array", {});
  Capture("mic", {{eConnTypeOptical, true}, {eConnType3Point5mm, true}});
  Render("speakers", {});
  Render("headphones", {{eConnType3Point5mm, true}});
  StartWith(0);
  EXPECT_EQ(Probe(2), (Ids{Id("mic"), Id("headphones")}));
  std::vector<std::wstring> trace = NewTrace();
  std::vector<std::wstring> capture(trace.begin(), trace.begin() + 19);
  EXPECT_EQ(capture, (std::vector<std::wstring>{
                         L"To get activate capture device",
                         L"More than one capture device",
                         L"Get device index: 0",
                         L"Get device index: 0 successfully",
                         L"IDeviceTopology activate index: 0 successfully",
                         L"GetConnector index: 0 successfully",
                         L"GetConnectedTo index: 0 successfully",
                         L"QueryInterface index: 0 successfully",
                         L"IKsJackDescription Activate index: 0 successfully",
                         L"Get device index: 1",
                         L"Get device index: 1 successfully",
                         L"IDeviceTopology activate index: 1 successfully",
                         L"GetConnector index: 1 successfully",
                         L"GetConnectedTo index: 1 successfully",
                         L"QueryInterface index: 1 successfully",
                         L"IKsJackDescription Activate index: 1 successfully",
                         L"Capture ConnectionType: 5",
                         L"Capture ConnectionType: 1",
                         L"Get specified Capture device: eConnType3Point5mm",
                     }));
  EXPECT_EQ(trace[19], L"To get activate render device");
}

TEST_F(JackProbeTest, ModeOneProbesLikeModeTwo) {
  Capture("array", {});
  Capture("mic", {{eConnType3Point5mm, true}});
  Render("speakers", {});
  Render("headphones", {{eConnType3Point5mm, true}});
  StartWith(0);
  EXPECT_EQ(Probe(1), (Ids{Id("mic"), Id("headphones")}));
}

TEST_F(JackProbeTest, OneActiveEndpointOfAFlowIsNotExamined) {
  Capture("mic", {{eConnType3Point5mm, true}});
  Render("speakers", {});
  Render("headphones", {{eConnType3Point5mm, true}});
  sim::audio::EndpointSpec unplugged = RenderWith(Headphones, {{eConnType3Point5mm, false}});
  unplugged.state = DEVICE_STATE_UNPLUGGED;
  sim::audio::AddEndpoint("line-out", unplugged);
  StartWith(0);
  EXPECT_EQ(Probe(2), Ids{Id("headphones")}) << "only render ids with one capture endpoint";
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_EQ(trace[0], L"To get activate capture device");
  EXPECT_EQ(trace[1], L"To get activate render device");

  sim::audio::ChangeState("speakers", DEVICE_STATE_DISABLED);
  sim::Settle();
  EXPECT_EQ(Probe(0), Ids{});
  EXPECT_EQ(NewTrace(), std::vector<std::wstring>{L"To get activate render device"});
}

TEST_F(JackProbeTest, OtherAnalogQualifiesAndTwoJacksListTwice) {
  Render("speakers", {});
  Render("dock", {{eConnTypeOtherAnalog, true}, {eConnType3Point5mm, false}});
  StartWith(0);
  EXPECT_EQ(Probe(0), (Ids{Id("dock"), Id("dock")}));
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_TRUE(Contains(trace, L"Render ConnectionType: 7"));
  EXPECT_EQ(
      std::count(trace.begin(), trace.end(), L"Get specified Render device: eConnType3Point5mm"),
      2);
}

TEST_F(JackProbeTest, EndpointsWithoutTopologyAreSkipped) {
  Capture("usb-mic", {{eConnType3Point5mm, true}}, false);
  Capture("mic", {{eConnType3Point5mm, true}});
  Render("usb", {{eConnType3Point5mm, true}}, false);
  Render("headphones", {{eConnType3Point5mm, true}});
  StartWith(0);
  EXPECT_EQ(Probe(2), (Ids{Id("mic"), Id("headphones")}));
  std::vector<std::wstring> trace = NewTrace();
  ASSERT_GE(trace.size(), 5u);
  EXPECT_EQ(trace[2], L"Get device index: 0");
  EXPECT_EQ(trace[3], L"Get device index: 0 successfully");
  EXPECT_EQ(trace[4], L"Get device index: 1") << "nothing more of the endpoint without topology";
}

TEST_F(JackProbeTest, OtherModesOnlyEmptyTheList) {
  Render("speakers", {});
  Render("headphones", {{eConnType3Point5mm, true}});
  StartWith(0);
  ASSERT_EQ(Probe(0).size(), 1u);
  NewTrace();
  EXPECT_EQ(Probe(3), Ids{});
  EXPECT_EQ(Probe(-1), Ids{});
  EXPECT_EQ(NewTrace(), std::vector<std::wstring>{});
}

TEST_F(JackProbeTest, ASecondCallFindsOnlyTheCurrentEndpoints) {
  Render("speakers", {});
  Render("headphones", {{eConnType3Point5mm, true}});
  Render("line-out", {{eConnType3Point5mm, true}});
  StartWith(0);
  EXPECT_EQ(Probe(0), (Ids{Id("headphones"), Id("line-out")}));
  sim::audio::Remove("headphones");
  sim::Settle();
  EXPECT_EQ(Probe(0), Ids{Id("line-out")});
}

TEST_F(JackProbeTest, AnIdThatCannotBeHadIsListedEmpty) {
  Render("speakers", {});
  Render("headphones", {{eConnType3Point5mm, true}});
  StartWith(0);
  sim::Fail("IMMDevice::GetId", {});
  EXPECT_EQ(Probe(0), Ids{L""});
}

TEST_F(JackProbeTest, AFailingCaptureEnumerationStillProbesRender) {
  Capture("mic", {{eConnType3Point5mm, true}});
  Capture("mic2", {{eConnType3Point5mm, true}});
  Render("speakers", {});
  Render("headphones", {{eConnType3Point5mm, true}});
  StartWith(0);
  sim::Fail("IMMDeviceEnumerator::EnumAudioEndpoints", {});
  EXPECT_EQ(Probe(2), Ids{Id("headphones")});
  EXPECT_EQ(NewTrace()[0], L"To get activate render device");
}

TEST_F(JackProbeTest, AThreadInTheMultithreadedApartmentProbesNothing) {
  Render("speakers", {});
  Render("headphones", {{eConnType3Point5mm, true}});
  StartWith(0);
  HRESULT joined = E_UNEXPECTED;
  RunOnServiceThread([&] {
    joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    GetSpecifiedDevices(0);
  });
  EXPECT_EQ(joined, S_OK);
  EXPECT_EQ(*specifiedDevices, Ids{}) << "CoInitialize answered RPC_E_CHANGED_MODE";
  EXPECT_EQ(NewTrace(), std::vector<std::wstring>{});
}

TEST_F(JackProbeTest, TheProbeJoinsCOMOnAThreadWithoutIt) {
  Render("speakers", {});
  Render("headphones", {{eConnType3Point5mm, true}});
  StartWith(0);
  HRESULT after = E_UNEXPECTED;
  RunOnServiceThread([&] {
    GetSpecifiedDevices(0);
    after = JoinComApartment();
  });
  EXPECT_EQ(*specifiedDevices, Ids{Id("headphones")});
  EXPECT_EQ(after, S_FALSE) << "the probe joined apartment-threaded";
}

TEST_F(JackProbeTest, TheListIsMadeAtFirstUseInEachProcessLife) {
  Render("speakers", {});
  StartWith(0);
  EXPECT_FALSE(specifiedDevices.alive());
  Probe(0);
  EXPECT_TRUE(specifiedDevices.alive());
  EndServiceProcess();
  EXPECT_FALSE(specifiedDevices.alive());
  StartServiceProcess();
  EXPECT_FALSE(specifiedDevices.alive());
  Probe(0);
  EXPECT_TRUE(specifiedDevices.alive());
}

}  // namespace
}  // namespace koru
