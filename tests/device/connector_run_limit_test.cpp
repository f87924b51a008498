// The connector routine's volume-limit step: the popup above the limit,
// the ignore answer and its re-arming below the limit, the popup's end;
// and the passes made while a foreign endpoint is the default output.
#include "connector_run_fixture.h"
#include "launcher/popup_slots.h"
#include "service/shared_objects.h"
#include "settings/feature_flags.h"

namespace koru {
namespace {

constexpr DWORD LIMIT_FEATURES = VolumeLimitPopupWindow | VolumeCallbakRegister;

class VolumeLimitTest : public ConnectorRunTest {
 protected:
  // A limit of 30 and this headphone volume; connected, nothing handled.
  void Connected(DWORD headphoneVolume, DWORD features = LIMIT_FEATURES) {
    Store("VolumeLimit", 30);
    Store("HeadphoneVolume", headphoneVolume);
    StartConnected(features);
  }
  // A second headphone pass at another volume, through the second kind.
  void HeadphoneAgainAt(DWORD headphoneVolume) {
    Store("HeadphoneVolume", headphoneVolume);
    Jack(2);
  }
};

TEST_F(VolumeLimitTest, AboveTheLimitThePopupIsLaunched) {
  Connected(40);
  Jack(1);
  EXPECT_TRUE(InOrder(NewTrace(),
                      {L"DeviceConnector: type: 1, volumeScalar: 40, muteState: 0",
                       L"JackNotifyFinish succeed! Finish type is: HEADPHONE", L"Start to popup"}));
  EXPECT_EQ(NewLaunches(), Names{LIMIT_EXE});
  EXPECT_TRUE(popupSlots[VOLUME_LIMIT_POPUP]->Running());
  HeadphoneAgainAt(45);
  EXPECT_FALSE(Has(NewTrace(), L"Start to popup"));
  EXPECT_TRUE(NewLaunches().empty()) << "it runs already";
  Jack(3);
  EXPECT_EQ(NewTerminations(), Names{L"KoruPopupWindow.exe 4"}) << "ended with the connection";
}

TEST_F(VolumeLimitTest, IgnoreTriggerHoldsThePopupBack) {
  Connected(40);
  *IgnoreTrigger = 1;
  Jack(1);
  Names trace = NewTrace();
  EXPECT_TRUE(Has(trace, L"IgnoreTrigger value is: 1, type is: 1"));
  EXPECT_FALSE(Has(trace, L"Start to popup"));
  EXPECT_TRUE(NewLaunches().empty());
  EXPECT_EQ(IgnoreTrigger->load(), 1) << "a headphone pass keeps it";
  Jack(3);
}

TEST_F(VolumeLimitTest, BelowTheLimitIgnoreTriggerIsClearedAndThePopupEnded) {
  Connected(40);
  Jack(1);
  ASSERT_TRUE(Running(LIMIT_EXE));
  *IgnoreTrigger = 1;
  MarkAll();
  HeadphoneAgainAt(20);
  EXPECT_TRUE(InOrder(NewTrace(), {L"DeviceConnector: type: 1, volumeScalar: 20, muteState: 0",
                                   L"Start to receive popup trigger"}));
  EXPECT_EQ(IgnoreTrigger->load(), 0);
  EXPECT_EQ(NewTerminations(), Names{L"KoruPopupWindow.exe 4"});
  EXPECT_FALSE(popupSlots[VOLUME_LIMIT_POPUP]->Running());
  Jack(3);
}

TEST_F(VolumeLimitTest, AtTheLimitNothingStartsEndsOrReArms) {
  Connected(40);
  Jack(1);
  *IgnoreTrigger = 1;
  MarkAll();
  HeadphoneAgainAt(30);
  Names trace = NewTrace();
  EXPECT_FALSE(Has(trace, L"Start to popup"));
  EXPECT_FALSE(Has(trace, L"Start to receive popup trigger"));
  EXPECT_EQ(IgnoreTrigger->load(), 1);
  EXPECT_TRUE(Running(LIMIT_EXE));
  EXPECT_TRUE(NewTerminations().empty());
  Jack(3);
}

TEST_F(VolumeLimitTest, TheSpeakerEndsThePopup) {
  Connected(40);
  Jack(1);
  ASSERT_TRUE(Running(LIMIT_EXE));
  Jack(0);
  EXPECT_EQ(NewTerminations(), Names{L"KoruPopupWindow.exe 4"});
  EXPECT_FALSE(popupSlots[VOLUME_LIMIT_POPUP]->Running());
  Jack(3);
}

TEST_F(VolumeLimitTest, APopupClaimedElsewhereIsNotLaunchedAgain) {
  Connected(40);
  RunOnServiceThread([] { popupSlots[VOLUME_LIMIT_POPUP]->Claim(); });
  Jack(1);
  EXPECT_FALSE(Has(NewTrace(), L"Start to popup"));
  EXPECT_TRUE(NewLaunches().empty());
  Jack(3);
}

TEST_F(VolumeLimitTest, WithoutTheFeatureNoPopup) {
  Connected(40, VolumeCallbakRegister);
  *IgnoreTrigger = 1;
  Jack(1);
  EXPECT_FALSE(Has(NewTrace(), L"Start to popup"));
  EXPECT_TRUE(NewLaunches().empty());
  HeadphoneAgainAt(20);
  EXPECT_FALSE(Has(NewTrace(), L"Start to receive popup trigger"));
  EXPECT_EQ(IgnoreTrigger->load(), 1);
  Jack(3);
}

// ---- a foreign endpoint as the default output ----------------------------------------

class ForeignEndpointTest : public VolumeLimitTest {
 protected:
  // An HDMI display is the default output: the endpoint side marks it
  // foreign.
  void SetUp() override {
    VolumeLimitTest::SetUp();
    sim::audio::EndpointSpec hdmi;
    hdmi.formFactor = DigitalAudioDisplayDevice;
    hdmi.makeDefault = true;
    sim::audio::AddEndpoint("hdmi", hdmi);
  }
};

TEST_F(ForeignEndpointTest, OnlyTheVolumeLimitStepRuns) {
  Connected(40, LIMIT_FEATURES | SwitchPopupWindow | PropertySet);
  ASSERT_EQ(foreignEndpoint->load(), 1);
  *IgnoreTrigger = 1;
  Jack(1);
  Names trace = NewTrace();
  EXPECT_TRUE(
      InOrder(trace, {L"Start to getRegistryValue, type is 1", L"Start to receive popup trigger"}))
      << "the held volume (none read) is below the limit";
  for (const std::wstring& line : trace) {
    EXPECT_EQ(line.find(L"Get Registry value"), std::wstring::npos) << "no settings read: " << line;
  }
  EXPECT_FALSE(Has(trace, L"Start to popup KoruAudioSwitchWindow"));
  EXPECT_FALSE(Has(trace, L"SetCustomAValue entry"));
  EXPECT_EQ(NewRequests(), Requests{"JACKSTATE_NOTIFY"}) << "no finish request";
  EXPECT_TRUE(NewLaunches().empty());
  EXPECT_EQ(outputType->load(), 1);
  EXPECT_EQ(jackTypePending->load(), 1) << "no speaker or headphone was handled";

  Jack(1);
  EXPECT_FALSE(Has(NewTrace(), L"Start to getRegistryValue, type is 1")) << "a repeat";
  Jack(3);
}

TEST_F(ForeignEndpointTest, AFailingRequestEndsTheConnection) {
  Connected(40);
  sim::codec::Fail();
  sim::Settle();
  EXPECT_TRUE(
      InOrder(NewTrace(), {L"DeviceIoControl failed!", L"Start to getRegistryValue, type is 3"}));
  EXPECT_EQ(RunResult(), 1);
  EXPECT_FALSE(codecDevice->deviceHandleHeld());
  EXPECT_EQ(codecDevice->connected.load(), 0);
}

}  // namespace
}  // namespace koru
