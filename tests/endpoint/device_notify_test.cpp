// The device notifications where the scenarios cannot look (the priority
// policy's reactions are scenario steps): default changes waking the
// endpoint-change thread, states no endpoint has, reactions without the
// policy object, the recorded ids forgotten on removal, and an arrival's
// result.
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
//
// The reactions to the states Windows reports are scenario steps; here a
// state no endpoint ever has.

TEST_F(DeviceNotifyTest, AStateOfNoKnownValueIsTracedAsInvalid) {
  Desk();
  ASSERT_EQ(Ready(MIRRORING | HDMIPriority | DOCK_PRIORITY), S_OK);
  DeliverStateChange(Id("hdmi"), 0x10);
  DeliverStateChange(Id("dock-in"), 0x20);
  EXPECT_EQ(DeviceTrace(),
            (Messages{L"OnDeviceStateChanged", L"Invalid HDMI Status",
                      L"Not PriorityConnectionTypeDevice device", L"OnDeviceStateChanged",
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
