// The connector routine's handling of jack types: the speaker and
// headphone passes with their settings, finish requests, custom property
// and switch window; repeated types; undefined types; the start-up query.
#include <algorithm>

#include "connector_run_fixture.h"
#include "launcher/popup_slots.h"
#include "service/shared_objects.h"
#include "settings/feature_flags.h"

namespace koru {
namespace {

// Mirroring, the switch window and the custom property: the features of a
// headphone pass, without the start-up query.
constexpr DWORD HEADPHONE_FEATURES = VolumeCallbakRegister | SwitchPopupWindow | PropertySet;

class JackTypeTest : public ConnectorRunTest {
 protected:
  // The laptop's settings: speakers at 60, headphones at 25, unmuted.
  void Connected(DWORD features = HEADPHONE_FEATURES) {
    Store("SpeakerVolume", 60);
    Store("HeadphoneVolume", 25);
    StartConnected(features);
  }
};

TEST_F(JackTypeTest, HeadphoneAppliesItsSettingsFinishesAndTagsTheEndpoint) {
  Connected();
  Jack(1);
  EXPECT_TRUE(InOrder(
      NewTrace(),
      {L"DeviceIoControl succeed!", L"Start to getRegistryValue, type is 1",
       L"Start to popup KoruAudioSwitchWindow", L"Get Registry value HeadphoneVolume:25, type is 1",
       L"Get Registry value HeadphoneMute:0, type is 1", L"IgnoreTrigger value is: 0, type is: 1",
       L"DeviceConnector: type: 1, volumeScalar: 25, muteState: 0", L"setVolume entry",
       L"setVolume exit", L"setMute entry", L"setMute exit",
       L"JackNotifyFinish succeed! Finish type is: HEADPHONE", L"SetCustomAValue entry",
       L"SetPropertyValue entry", L"SetPropertyValue exit", L"Set PropertyKey to 0 : HEADPHONE"}));
  EXPECT_EQ(NewRequests(), (Requests{"FINISH_HEADPHONE in=0", "JACKSTATE_NOTIFY"}));
  EXPECT_EQ(NewLaunches(), Names{SWITCH_EXE});
  EXPECT_TRUE(popupSlots[SWITCH_WINDOW]->Running());
  EXPECT_FLOAT_EQ(SpeakerVolume(), 0.25f) << "the snapshot's endpoint, the default at the start";
  EXPECT_FALSE(SpeakerMuted());
  EXPECT_EQ(CustomValue(), 0u);
  EXPECT_EQ(outputType->load(), 1);
  EXPECT_EQ(jackTypePending->load(), 0);
  EXPECT_FALSE(RunResult().has_value()) << "waiting for the next jack event";
  Jack(3);
}

TEST_F(JackTypeTest, SpeakerEndsBothWindowsAndClearsIgnoreTrigger) {
  Store("SpeakerMute", 1);
  Connected(HEADPHONE_FEATURES | ChimeWindowUsed);
  Jack(1);
  Jack(4);
  ASSERT_TRUE(Running(SWITCH_EXE));
  ASSERT_TRUE(Running(CHIME_EXE));
  *IgnoreTrigger = 1;
  MarkAll();

  Jack(0);
  EXPECT_EQ(NewTerminations(), (Names{L"ChimeWindow.exe 4", L"KoruAudioSwitchWindow.exe 4"}));
  EXPECT_FALSE(popupSlots[CHIME_WINDOW]->Running());
  EXPECT_FALSE(popupSlots[SWITCH_WINDOW]->Running());
  EXPECT_TRUE(InOrder(
      NewTrace(),
      {L"Start to getRegistryValue, type is 0", L"Get Registry value SpeakerVolume:60, type is 0",
       L"Get Registry value SpeakerMute:1, type is 0", L"IgnoreTrigger value is: 0, type is: 0",
       L"DeviceConnector: type: 0, volumeScalar: 60, muteState: 1",
       L"JackNotifyFinish succeed! Finish type is: SPEAKER", L"Set PropertyKey to 2 : SPEAKER"}));
  EXPECT_EQ(IgnoreTrigger->load(), 0);
  EXPECT_EQ(NewRequests(), (Requests{"FINISH_SPEAKER in=0", "JACKSTATE_NOTIFY"}));
  EXPECT_TRUE(NewLaunches().empty());
  EXPECT_FLOAT_EQ(SpeakerVolume(), 0.6f);
  EXPECT_TRUE(SpeakerMuted());
  EXPECT_EQ(CustomValue(), 2u);
  Jack(3);
}

TEST_F(JackTypeTest, RepeatedHeadphoneIsDropped) {
  Connected();
  Jack(1);
  MarkAll();
  Jack(1);
  Names trace = NewTrace();
  EXPECT_FALSE(Has(trace, L"Start to getRegistryValue, type is 1"));
  EXPECT_FALSE(Has(trace, L"Start to popup KoruAudioSwitchWindow"));
  EXPECT_FALSE(Has(trace, L"DeviceIoControl succeed!")) << "the type did not change";
  EXPECT_EQ(NewRequests(), Requests{"JACKSTATE_NOTIFY"}) << "asked again at once";
  EXPECT_TRUE(NewLaunches().empty());
  Jack(3);
}

TEST_F(JackTypeTest, SecondKindIsAHeadphoneThatAFollowingOneRepeats) {
  Connected();
  Jack(2);
  EXPECT_TRUE(InOrder(NewTrace(), {L"Start to getRegistryValue, type is 2", L"Get type 2",
                                   L"Start to popup KoruAudioSwitchWindow",
                                   L"IgnoreTrigger value is: 0, type is: 1",
                                   L"DeviceConnector: type: 1, volumeScalar: 25, muteState: 0",
                                   L"JackNotifyFinish succeed! Finish type is: HEADPHONE",
                                   L"Set PropertyKey to 0 : HEADPHONE"}));
  EXPECT_EQ(NewRequests(), (Requests{"FINISH_HEADPHONE in=0", "JACKSTATE_NOTIFY"}));
  EXPECT_EQ(outputType->load(), 1);

  Jack(1);
  EXPECT_FALSE(Has(NewTrace(), L"Start to getRegistryValue, type is 1"));
  EXPECT_EQ(NewRequests(), Requests{"JACKSTATE_NOTIFY"});

  Jack(2);
  EXPECT_TRUE(InOrder(NewTrace(), {L"Start to getRegistryValue, type is 2", L"Get type 2",
                                   L"JackNotifyFinish succeed! Finish type is: HEADPHONE"}));
  EXPECT_EQ(NewRequests(), (Requests{"FINISH_HEADPHONE in=0", "JACKSTATE_NOTIFY"}));
  EXPECT_EQ(NewLaunches(), (Names{SWITCH_EXE, SWITCH_EXE}))
      << "the first switch window ended, a second one launched";
  EXPECT_EQ(NewTerminations(), Names{L"KoruAudioSwitchWindow.exe 4"});
  Jack(3);
}

TEST_F(JackTypeTest, UndefinedTypeAppliesTheHeldValuesAsAHeadphone) {
  Connected();
  Jack(1);
  Store("HeadphoneVolume", 70);
  sim::audio::ChangeVolume("speakers", 0.5f);
  sim::Settle();
  MarkAll();

  Jack(7);
  Names trace = NewTrace();
  EXPECT_TRUE(InOrder(trace, {L"Start to getRegistryValue, type is 7",
                              L"DeviceConnector: type: 7, volumeScalar: 25, muteState: 0",
                              L"JackNotifyFinish succeed! Finish type is: HEADPHONE",
                              L"Set PropertyKey to 2 : HEADPHONE"}));
  for (const std::wstring& line : trace) {
    EXPECT_EQ(line.find(L"Get Registry value"), std::wstring::npos) << "no settings read: " << line;
    EXPECT_EQ(line.find(L"IgnoreTrigger value is"), std::wstring::npos) << line;
  }
  EXPECT_EQ(NewRequests(), (Requests{"FINISH_HEADPHONE in=0", "JACKSTATE_NOTIFY"}));
  EXPECT_FLOAT_EQ(SpeakerVolume(), 0.25f) << "the held volume applied again";
  EXPECT_EQ(CustomValue(), 2u);
  EXPECT_EQ(outputType->load(), 7);
  EXPECT_TRUE(popupSlots[SWITCH_WINDOW]->Running()) << "no popup ended";
  Jack(3);
}

TEST_F(JackTypeTest, WithoutMirroringNothingReachesTheEndpoint) {
  Connected(SwitchPopupWindow);
  Jack(1);
  Names trace = NewTrace();
  EXPECT_TRUE(Has(trace, L"DeviceConnector: type: 1, volumeScalar: 25, muteState: 0"));
  EXPECT_FALSE(Has(trace, L"setVolume entry"));
  EXPECT_FALSE(Has(trace, L"SetCustomAValue entry"));
  EXPECT_EQ(NewRequests(), (Requests{"FINISH_HEADPHONE in=0", "JACKSTATE_NOTIFY"}));
  EXPECT_FLOAT_EQ(SpeakerVolume(), 1.0f) << "the endpoint's own volume, untouched";
  EXPECT_FALSE(CustomValue().has_value());
  Jack(3);
}

// ---- the first type of a connection -------------------------------------------------

using FirstTypeTest = JackTypeTest;

TEST_F(FirstTypeTest, WithoutStartupRulesTheOutputOnEntryIsARepeat) {
  Connected(SwitchPopupWindow);
  ASSERT_EQ(outputType->load(), 0) << "the speakers are the default";
  Jack(0);
  EXPECT_FALSE(Has(NewTrace(), L"Start to getRegistryValue, type is 0"));
  EXPECT_EQ(NewRequests(), Requests{"JACKSTATE_NOTIFY"});
  Jack(1);
  EXPECT_TRUE(Has(NewTrace(), L"Start to getRegistryValue, type is 1"));
  Jack(3);
}

TEST_F(FirstTypeTest, MirroringHandlesTheFirstTypeWhateverItIs) {
  Connected(VolumeCallbakRegister);
  Jack(0);
  EXPECT_TRUE(Has(NewTrace(), L"Start to getRegistryValue, type is 0"));
  EXPECT_EQ(NewRequests(), (Requests{"FINISH_SPEAKER in=0", "JACKSTATE_NOTIFY"}));
  Jack(3);
}

TEST_F(FirstTypeTest, TheStartupQueryIsHandledWhateverItSays) {
  sim::codec::SetCurrentJack(0);
  Store("SpeakerVolume", 60);
  StartWith(StartupInitial);
  StartRun();
  EXPECT_TRUE(InOrder(NewTrace(), {L"Device connect successfully", L"getCurrentVolume entry",
                                   L"Start to initialize", L"Start to getRegistryValue, type is 0",
                                   L"DeviceConnector: type: 0, volumeScalar: 60, muteState: 0",
                                   L"JackNotifyFinish succeed! Finish type is: SPEAKER"}));
  EXPECT_EQ(NewRequests(),
            (Requests{"JACKSTATE_INITIAL", "FINISH_SPEAKER in=0", "JACKSTATE_NOTIFY"}));
  EXPECT_EQ(startupInitialPending->load(), 0);
  Jack(3);
}

TEST_F(FirstTypeTest, ThePropertyIsWrittenOnceBeforeTheFirstJackStateRequest) {
  StartWith(PropertyInitial | PropertySet | StartupInitial);
  StartRun();
  EXPECT_EQ(NewRequests(),
            (Requests{"JACKSTATE_INITIAL", "FINISH_SPEAKER in=0", "JACKSTATE_NOTIFY"}));
  EXPECT_TRUE(InOrder(NewTrace(), {L"Start to initialize", L"Set PropertyKey to 2 : SPEAKER",
                                   L"SetCustomAValue entry", L"SetPropertyValue exit"}))
      << "the pass's own write, then the initial one before the first jack-state request";
  EXPECT_EQ(codecDevice->propertyInitialPending.load(), 0);
  MarkAll();
  Jack(1);
  Jack(0);
  Names trace = NewTrace();
  EXPECT_EQ(std::count(trace.begin(), trace.end(), L"SetCustomAValue entry"), 2)
      << "one per pass, no initial write again";
  Jack(3);
}

// ---- replies with a wrong byte count ---------------------------------------------------

using ByteCountTest = JackTypeTest;

TEST_F(ByteCountTest, AnInitialReplyWithoutBytesIsTheSpeaker) {
  sim::codec::Complete(0);
  StartWith(StartupInitial);
  StartRun();
  EXPECT_TRUE(
      InOrder(NewTrace(), {L"Start to initialize", L"DeviceIoControl failed on bufferSize error!",
                           L"Type is: 0", L"Start to getRegistryValue, type is 0",
                           L"JackNotifyFinish succeed! Finish type is: SPEAKER"}));
  EXPECT_EQ(NewRequests(),
            (Requests{"JACKSTATE_INITIAL", "FINISH_SPEAKER in=0", "JACKSTATE_NOTIFY"}));
  EXPECT_FALSE(RunResult().has_value());
  Jack(3);
}

TEST_F(ByteCountTest, ANotifyReplyWithoutBytesEndsTheConnection) {
  Connected();
  sim::codec::Complete(0, 1);
  sim::Settle();
  EXPECT_TRUE(InOrder(NewTrace(), {L"DeviceIoControl failed on bufferSize error!",
                                   L"Start to getRegistryValue, type is 3"}));
  EXPECT_EQ(RunResult(), 1);
  EXPECT_TRUE(NewRequests().empty()) << "nothing more sent";
  EXPECT_FALSE(codecDevice->deviceHandleHeld());
  EXPECT_EQ(outputType->load(), 3);
}

}  // namespace
}  // namespace koru
