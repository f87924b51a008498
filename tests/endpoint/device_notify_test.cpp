// The device notifications, fed by the simulated audio stack: default
// changes waking the endpoint-change thread, and the priority policy's
// reactions to the HDMI endpoint and the endpoints on the priority jack
// changing state, arriving and going.
#include "notify_fixture.h"

namespace koru {
namespace {

constexpr DWORD DOCK_PRIORITY = PriorityBits(eConnTypeRCA);

class DeviceNotifyTest : public NotifyTest {
 protected:
  // The laptop, an HDMI display, and a dock whose output and input sit on
  // RCA jacks.
  static void Desk(DWORD hdmiState = DEVICE_STATE_ACTIVE, bool dockPlugged = true,
                   DWORD dockInputState = DEVICE_STATE_ACTIVE) {
    Laptop();
    sim::audio::AddEndpoint("hdmi", Hdmi(hdmiState));
    sim::audio::AddEndpoint("dock-out", OnJacks(eRender, {{eConnTypeRCA, dockPlugged}}));
    sim::audio::AddEndpoint("dock-in",
                            OnJacks(eCapture, {{eConnTypeRCA, dockPlugged}}, dockInputState));
  }

  // The trace since the last call, without the default changes that every
  // switch brings along.
  Messages DeviceTrace() {
    Messages trace;
    for (std::wstring& message : NewTrace()) {
      if (message.rfind(L"OnDefaultDeviceChanged", 0) != 0) trace.push_back(std::move(message));
    }
    return trace;
  }

  void UserSetsState(const char* endpoint, DWORD state) {
    sim::audio::ChangeState(endpoint, state);
    sim::Settle();
  }
};

// ---- default changes ------------------------------------------------------------------

TEST_F(DeviceNotifyTest, OnlyTheMultimediaRenderDefaultWakesTheEndpointChangeThread) {
  Laptop();
  sim::audio::EndpointSpec mic = OnJacks(eCapture, {});
  sim::audio::AddEndpoint("mic", mic);
  sim::audio::AddEndpoint("mic-2", mic);
  ASSERT_EQ(Ready(MIRRORING), S_OK);

  ASSERT_TRUE(sim::audio::ChangeDefault("headphones", {eConsole, eCommunications}));
  ASSERT_TRUE(sim::audio::ChangeDefault("mic-2", {eConsole, eMultimedia, eCommunications}));
  sim::Settle();
  EXPECT_EQ(NewTrace().size(), 10u) << "five changes, each traced on entry and exit";
  EXPECT_FALSE(TakeWakeUp(*hChangeEndpointSemaphore));

  ASSERT_TRUE(sim::audio::ChangeDefault("headphones", {eMultimedia}));
  sim::Settle();
  EXPECT_EQ(NewTrace(),
            (Messages{L"OnDefaultDeviceChanged enter", L"OnDefaultDeviceChanged exit"}));
  EXPECT_TRUE(TakeWakeUp(*hChangeEndpointSemaphore));
}

TEST_F(DeviceNotifyTest, TwoDefaultChangesBeforeTheThreadWakesGiveOneWakeUp) {
  Laptop();
  ASSERT_EQ(Ready(MIRRORING), S_OK);
  sim::audio::ChangeDefault("headphones", {eMultimedia});
  sim::audio::ChangeDefault("speakers", {eMultimedia});
  sim::Settle();
  EXPECT_TRUE(TakeWakeUp(*hChangeEndpointSemaphore));
  EXPECT_FALSE(TakeWakeUp(*hChangeEndpointSemaphore));
}

// ---- state changes --------------------------------------------------------------------

TEST_F(DeviceNotifyTest, AnUnrelatedStateChangeIsOnlyTraced) {
  Desk();
  ASSERT_EQ(Ready(MIRRORING | HDMIPriority | HDMIFallback | DOCK_PRIORITY), S_OK);
  UserSetsState("headphones", DEVICE_STATE_UNPLUGGED);
  EXPECT_EQ(DeviceTrace(), (Messages{L"OnDeviceStateChanged", L"Not HDMI device",
                                     L"Not PriorityConnectionTypeDevice device"}));
  EXPECT_EQ(NewSwitches(), Switches{});
}

TEST_F(DeviceNotifyTest, TheHdmiEndpointsStatesAreTracedAndActiveMakesItTheDefault) {
  Desk();
  ASSERT_EQ(Ready(MIRRORING | HDMIPriority), S_OK);
  sim::audio::ChangeDefault("speakers", {eConsole, eMultimedia, eCommunications});
  UserSetsState("hdmi", DEVICE_STATE_UNPLUGGED);
  UserSetsState("hdmi", DEVICE_STATE_DISABLED);
  UserSetsState("hdmi", DEVICE_STATE_NOTPRESENT);
  DeliverStateChange(Id("hdmi"), 0x10);
  EXPECT_EQ(DeviceTrace(),
            (Messages{L"OnDeviceStateChanged", L"HDMI Unplugged", L"OnDeviceStateChanged",
                      L"HDMI Disabled", L"OnDeviceStateChanged", L"HDMI Notpresent",
                      L"OnDeviceStateChanged", L"Invalid HDMI Status"}));
  EXPECT_EQ(NewSwitches(), Switches{});

  UserSetsState("hdmi", DEVICE_STATE_ACTIVE);
  EXPECT_EQ(DeviceTrace(), (Messages{L"OnDeviceStateChanged", L"HDMI plug in",
                                     L"OnDeviceStateChanged: Set HDMI as default output device"}));
  EXPECT_EQ(NewSwitches(), (Switches{"hdmi multimedia", "hdmi console", "hdmi communications"}));
  EXPECT_EQ(sim::audio::DefaultEndpoint(eRender, eConsole), "hdmi");
}

TEST_F(DeviceNotifyTest, WithoutHdmiPriorityTheHdmiEndpointsStatesAreNotFollowed) {
  Desk(DEVICE_STATE_UNPLUGGED);
  ASSERT_EQ(Ready(MIRRORING), S_OK);
  ASSERT_TRUE(Recorded(RecordedId::Hdmi)) << "the start-up scan records it all the same";
  UserSetsState("hdmi", DEVICE_STATE_ACTIVE);
  EXPECT_EQ(DeviceTrace(), Messages{L"OnDeviceStateChanged"});
  EXPECT_EQ(NewSwitches(), Switches{});
}

TEST_F(DeviceNotifyTest, ThePriorityCaptureEndpointBecomingActiveMakesTheRenderOneTheDefault) {
  Desk(DEVICE_STATE_ACTIVE, false, DEVICE_STATE_UNPLUGGED);
  ASSERT_EQ(Ready(MIRRORING | DOCK_PRIORITY), S_OK);
  ASSERT_EQ(Recorded(RecordedId::PriorityCapture), Id("dock-in"));
  UserSetsState("dock-in", DEVICE_STATE_ACTIVE);
  EXPECT_EQ(DeviceTrace(),
            (Messages{L"OnDeviceStateChanged", L"PriorityConnectionTypeDevice plug in",
                      L"OnDeviceStateChanged: Set PriorityConnectionTypeDevice as default output "
                      L"device"}));
  EXPECT_EQ(NewSwitches(),
            (Switches{"dock-out multimedia", "dock-out console", "dock-out communications"}));
  EXPECT_EQ(sim::audio::DefaultEndpoint(eRender, eConsole), "dock-out");
  EXPECT_EQ(sim::audio::DefaultEndpoint(eCapture, eConsole), "dock-in")
      << "the capture default is the stack's own choice: the only active input";
}

TEST_F(DeviceNotifyTest, ThePriorityEndpointUnpluggedFallsBackToHdmi) {
  Desk();
  ASSERT_EQ(Ready(MIRRORING | HDMIFallback | DOCK_PRIORITY), S_OK);
  UserSetsState("dock-out", DEVICE_STATE_UNPLUGGED);
  EXPECT_EQ(DeviceTrace(),
            (Messages{L"OnDeviceStateChanged", L"PriorityConnectionTypeDevice Unplugged",
                      L"Set HDMI as the default render"}));
  EXPECT_EQ(NewSwitches(), (Switches{"hdmi multimedia", "hdmi console", "hdmi communications"}));
}

TEST_F(DeviceNotifyTest, WithoutHdmiFallbackAnUnpluggedPriorityEndpointSwitchesNothing) {
  Desk();
  ASSERT_EQ(Ready(MIRRORING | HDMIPriority | DOCK_PRIORITY), S_OK);
  UserSetsState("dock-out", DEVICE_STATE_UNPLUGGED);
  UserSetsState("dock-in", DEVICE_STATE_DISABLED);
  UserSetsState("dock-in", DEVICE_STATE_NOTPRESENT);
  DeliverStateChange(Id("dock-in"), 0x20);
  EXPECT_EQ(DeviceTrace(),
            (Messages{L"OnDeviceStateChanged", L"Not HDMI device",
                      L"PriorityConnectionTypeDevice Unplugged", L"OnDeviceStateChanged",
                      L"Not HDMI device", L"PriorityConnectionTypeDevice Disabled",
                      L"OnDeviceStateChanged", L"Not HDMI device",
                      L"PriorityConnectionTypeDevice Notpresent", L"OnDeviceStateChanged",
                      L"Not HDMI device", L"Invalid PriorityConnectionTypeDevice Status"}));
  EXPECT_EQ(NewSwitches(), Switches{});
}

TEST_F(DeviceNotifyTest, WithoutThePolicyObjectTheReactionsAreTracedButSwitchNothing) {
  Desk(DEVICE_STATE_UNPLUGGED);
  ASSERT_EQ(Ready(MIRRORING | HDMIPriority), S_OK);
  OnComThread([] { serviceEndpoint->Dispose(); });
  NewTrace();
  DeliverStateChange(Id("hdmi"), DEVICE_STATE_ACTIVE);
  EXPECT_EQ(DeviceTrace(), (Messages{L"OnDeviceStateChanged", L"HDMI plug in",
                                     L"OnDeviceStateChanged: Set HDMI as default output device"}));
  EXPECT_EQ(NewSwitches(), Switches{});
}

// ---- removals -------------------------------------------------------------------------

TEST_F(DeviceNotifyTest, TheRemovedHdmiEndpointIsForgottenAndNoLongerMatched) {
  Desk();
  ASSERT_EQ(Ready(MIRRORING | HDMIPriority | DOCK_PRIORITY), S_OK);
  std::wstring hdmi = Id("hdmi");
  sim::audio::Remove("hdmi");
  sim::Settle();
  EXPECT_FALSE(Recorded(RecordedId::Hdmi));
  EXPECT_EQ(Recorded(RecordedId::PriorityRender), Id("dock-out")) << "the others stay";
  EXPECT_EQ(Recorded(RecordedId::PriorityCapture), Id("dock-in"));
  NewTrace();
  DeliverStateChange(hdmi, DEVICE_STATE_ACTIVE);
  EXPECT_EQ(DeviceTrace(),
            (Messages{L"OnDeviceStateChanged", L"Not PriorityConnectionTypeDevice device"}));
  EXPECT_EQ(NewSwitches(), Switches{});
}

TEST_F(DeviceNotifyTest, EachPriorityEndpointIsForgottenByItself) {
  Desk();
  ASSERT_EQ(Ready(MIRRORING | DOCK_PRIORITY), S_OK);
  sim::audio::Remove("headphones");
  sim::Settle();
  EXPECT_EQ(Recorded(RecordedId::PriorityRender), Id("dock-out")) << "an unrelated removal";
  sim::audio::Remove("dock-in");
  sim::Settle();
  EXPECT_FALSE(Recorded(RecordedId::PriorityCapture));
  EXPECT_EQ(Recorded(RecordedId::PriorityRender), Id("dock-out"));
  sim::audio::Remove("dock-out");
  sim::Settle();
  EXPECT_FALSE(Recorded(RecordedId::PriorityRender));
  NewTrace();
  UserSetsState("hdmi", DEVICE_STATE_UNPLUGGED);
  EXPECT_EQ(DeviceTrace(), Messages{L"OnDeviceStateChanged"}) << "no priority block without its id";
}

// ---- arrivals -------------------------------------------------------------------------

TEST_F(DeviceNotifyTest, AnArrivingHdmiEndpointIsRecordedAndMadeTheDefaultTwice) {
  Laptop();
  ASSERT_EQ(Ready(MIRRORING | HDMIPriority), S_OK);
  EXPECT_FALSE(Recorded(RecordedId::Hdmi));
  UserSetsState("headphones", DEVICE_STATE_UNPLUGGED);
  EXPECT_EQ(DeviceTrace(), Messages{L"OnDeviceStateChanged"}) << "no HDMI block without its id";

  sim::audio::Arrive("hdmi", Hdmi());
  sim::Settle();
  EXPECT_EQ(DeviceTrace(),
            (Messages{L"OnDeviceAdded", L"GetPropertyValue entry", L"GetPropertyValue exit",
                      L"HDMI device presented", L"Set HDMI as default output device",
                      L"HDMI device added", L"Set HDMI as default output device"}));
  EXPECT_EQ(NewSwitches(), (Switches{"hdmi multimedia", "hdmi communications", "hdmi multimedia",
                                     "hdmi communications", "hdmi console"}));
  EXPECT_EQ(Recorded(RecordedId::Hdmi), Id("hdmi"));
  UserSetsState("hdmi", DEVICE_STATE_UNPLUGGED);
  EXPECT_EQ(DeviceTrace(), (Messages{L"OnDeviceStateChanged", L"HDMI Unplugged"}));
}

TEST_F(DeviceNotifyTest, AnArrivalOnThePriorityJackIsMadeTheDefaultAndRecorded) {
  Laptop();
  ASSERT_EQ(Ready(MIRRORING | DOCK_PRIORITY), S_OK);
  sim::audio::Arrive("dock-out", OnJacks(eRender, {{eConnTypeRCA, false}}));
  sim::Settle();
  EXPECT_EQ(DeviceTrace(), (Messages{L"OnDeviceAdded", L"ConnectionType:4 device added",
                                     L"Set HDMI as default output device"}));
  EXPECT_EQ(NewSwitches(),
            (Switches{"dock-out multimedia", "dock-out communications", "dock-out console"}));
  EXPECT_EQ(Recorded(RecordedId::PriorityRender), Id("dock-out"));
  sim::audio::Remove("dock-out");
  sim::Settle();
  EXPECT_FALSE(Recorded(RecordedId::PriorityRender)) << "the copy is freed like a GetId result";
}

TEST_F(DeviceNotifyTest, WithNeitherFeatureAnArrivalIsOnlyTraced) {
  Laptop();
  ASSERT_EQ(Ready(MIRRORING), S_OK);
  sim::audio::Arrive("hdmi", Hdmi());
  sim::audio::Arrive("unknown-jack", OnJacks(eRender, {{eConnTypeUnknown, true}}));
  sim::Settle();
  EXPECT_EQ(DeviceTrace(), (Messages{L"OnDeviceAdded", L"OnDeviceAdded"}));
  EXPECT_EQ(NewSwitches(), Switches{});
  EXPECT_FALSE(Recorded(RecordedId::Hdmi));
  EXPECT_FALSE(Recorded(RecordedId::PriorityRender));
}

TEST_F(DeviceNotifyTest, AnArrivalAnswersWithItsLastSwitch) {
  Laptop();
  ASSERT_EQ(Ready(MIRRORING | HDMIPriority), S_OK);
  sim::audio::AddEndpoint("hdmi", Hdmi(DEVICE_STATE_UNPLUGGED));
  HRESULT hdmi = E_UNEXPECTED;
  HRESULT other = E_UNEXPECTED;
  OnComThread([&] {
    hdmi = serviceEndpoint->OnDeviceAdded(Id("hdmi").c_str());
    other = serviceEndpoint->OnDeviceAdded(Id("speakers").c_str());
  });
  EXPECT_EQ(hdmi, E_NOTFOUND) << "an unplugged endpoint cannot be the default";
  EXPECT_EQ(other, S_OK);
  EXPECT_EQ(NewSwitches(), (Switches{"hdmi multimedia refused", "hdmi communications refused",
                                     "hdmi multimedia refused", "hdmi communications refused",
                                     "hdmi console refused"}));
}

TEST_F(DeviceNotifyTest, APropertyChangeDoesNothing) {
  Laptop();
  ASSERT_EQ(Ready(MIRRORING | HDMIPriority | DOCK_PRIORITY), S_OK);
  HRESULT written = E_UNEXPECTED;
  OnComThread([&] { written = serviceEndpoint->SetCustomAValue(7); });
  ASSERT_EQ(written, S_OK);
  EXPECT_EQ(DeviceTrace(), (Messages{L"SetCustomAValue entry", L"SetPropertyValue entry",
                                     L"SetPropertyValue exit"}));
  EXPECT_EQ(NewSwitches(), Switches{});
}

}  // namespace
}  // namespace koru
