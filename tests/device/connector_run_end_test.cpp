// The connector routine where the scenarios cannot look: how a connection
// ends (the driver's end type, a custom property that cannot be written, a
// connection ended from outside, whose routine returns at once and leaves
// the teardown to whoever ended it) and the initial property write armed
// once per connection and again after a reset.
#include <algorithm>

#include "connector_run_fixture.h"
#include "launcher/popup_slots.h"
#include "service/shared_objects.h"
#include "settings/feature_flags.h"

namespace koru {
namespace {

constexpr DWORD POPUP_FEATURES = VolumeLimitPopupWindow | SwitchPopupWindow | ChimeWindowUsed;
constexpr int POPUP_KINDS[] = {VOLUME_LIMIT_POPUP, SWITCH_WINDOW, CHIME_WINDOW};

class ConnectionEndTest : public ConnectorRunTest {
 protected:
  // Connected with all three popups running: the switch window and the
  // volume-limit popup from a headphone pass above the limit, the chime
  // window from a reset.
  void WithPopupsRunning(DWORD features = POPUP_FEATURES) {
    Store("VolumeLimit", 30);
    Store("HeadphoneVolume", 40);
    StartWith(features);
    StartRun();
    Jack(1);
    Jack(4);
    ASSERT_TRUE(Running(SWITCH_EXE));
    ASSERT_TRUE(Running(LIMIT_EXE));
    ASSERT_TRUE(Running(CHIME_EXE));
    MarkAll();
  }
};

TEST_F(ConnectionEndTest, EndTypeEndsEveryPopupAndDisconnects) {
  WithPopupsRunning();
  Jack(3);
  EXPECT_EQ(RunResult(), 1);
  EXPECT_TRUE(Has(NewTrace(), L"Start to getRegistryValue, type is 3"));
  EXPECT_EQ(NewTerminations(), (Names{L"ChimeWindow.exe 4", L"KoruPopupWindow.exe 4",
                                      L"KoruAudioSwitchWindow.exe 4"}));
  for (int kind : POPUP_KINDS) EXPECT_FALSE(popupSlots[kind]->Running()) << "kind " << kind;
  EXPECT_TRUE(NewRequests().empty()) << "no finish request for the end";
  EXPECT_FALSE(codecDevice->deviceHandleHeld());
  EXPECT_FALSE(codecDevice->deviceInfoSetHeld());
  EXPECT_EQ(codecDevice->connected.load(), 0);
  EXPECT_EQ(outputType->load(), 3);
}

TEST_F(ConnectionEndTest, TheInitialPropertyWriteComesOnceAndAgainAfterAReset) {
  StartConnected(PropertyInitial | PropertySet | VolumeCallbakRegister);
  EXPECT_EQ(codecDevice->propertyInitialPending.load(), 0) << "written before the first request";
  Jack(1);
  Jack(0);
  Names trace = NewTrace();
  EXPECT_EQ(std::count(trace.begin(), trace.end(), L"SetCustomAValue entry"), 2)
      << "one per pass, no initial write again";
  Jack(1);
  ASSERT_EQ(CustomValue(), 0u);
  MarkAll();
  Jack(4);
  EXPECT_TRUE(InOrder(NewTrace(), {L"Reveive reset information", L"SetCustomAValue entry",
                                   L"SetPropertyValue exit"}));
  EXPECT_EQ(CustomValue(), 2u) << "the output is the reset type, not the headphone";
  EXPECT_EQ(codecDevice->propertyInitialPending.load(), 0);
  Jack(3);
}

TEST_F(ConnectionEndTest, ThePropertyWriteBeforeTheFirstRequestFailingEndsIt) {
  StartWith(PropertyInitial | PropertySet);
  sim::Fail("IPolicyConfig::SetPropertyValue", {});
  StartRun();
  EXPECT_TRUE(InOrder(NewTrace(), {L"Device connect successfully", L"SetCustomAValue entry",
                                   L"Start to getRegistryValue, type is 3"}));
  EXPECT_EQ(RunResult(), 1);
  EXPECT_TRUE(NewRequests().empty()) << "nothing sent";
  EXPECT_FALSE(codecDevice->deviceHandleHeld());
}

TEST_F(ConnectionEndTest, ThePropertyWriteOfAPassFailingEndsItAndLeavesTheChime) {
  WithPopupsRunning(POPUP_FEATURES | PropertySet);
  sim::Fail("IPolicyConfig::SetPropertyValue", {});
  Jack(7);
  Names trace = NewTrace();
  EXPECT_TRUE(InOrder(
      trace, {L"JackNotifyFinish succeed! Finish type is: HEADPHONE", L"SetCustomAValue entry"}));
  EXPECT_FALSE(Has(trace, L"Set PropertyKey to 2 : HEADPHONE"));
  EXPECT_EQ(RunResult(), 1);
  EXPECT_EQ(NewRequests(), Requests{"FINISH_HEADPHONE in=0"}) << "no further jack-state request";
  EXPECT_EQ(NewTerminations(), (Names{L"KoruPopupWindow.exe 4", L"KoruAudioSwitchWindow.exe 4"}));
  EXPECT_TRUE(Running(CHIME_EXE));
  EXPECT_FALSE(codecDevice->deviceHandleHeld());
}

// ---- a connection ended from outside -----------------------------------------------------

using EndedFromOutsideTest = ConnectionEndTest;

TEST_F(EndedFromOutsideTest, TheCancelledRequestReturnsAtOnceWithoutEndSteps) {
  WithPopupsRunning();
  EndFromOutside();
  EXPECT_EQ(RunResult(), 1);
  const sim::codec::Request& cancelled = sim::codec::Requests().back();
  EXPECT_EQ(cancelled.outcome, sim::codec::Outcome::Failed);
  EXPECT_EQ(cancelled.error, static_cast<uint32_t>(ERROR_OPERATION_ABORTED));
  Names trace = NewTrace();
  EXPECT_TRUE(Has(trace, L"DeviceIoControl failed!"));
  EXPECT_FALSE(Has(trace, L"Start to getRegistryValue, type is 3"));
  EXPECT_TRUE(NewTerminations().empty()) << "a removal does not end popups";
  for (int kind : POPUP_KINDS) EXPECT_TRUE(popupSlots[kind]->Running()) << "kind " << kind;
  EXPECT_TRUE(codecDevice->deviceHandleHeld()) << "the control handler disconnects";
  EXPECT_EQ(codecDevice->connected.load(), 1);
  EXPECT_EQ(outputType->load(), 4) << "the cancelled request leaves the output alone";
  EXPECT_TRUE(NewRequests().empty());
}

TEST_F(EndedFromOutsideTest, ACancelledRequestWhileStillActiveRunsTheEndSteps) {
  WithPopupsRunning();
  CancelRequest();
  EXPECT_EQ(RunResult(), 1);
  EXPECT_TRUE(Has(NewTrace(), L"Start to getRegistryValue, type is 3"));
  EXPECT_EQ(NewTerminations().size(), 3u) << "every popup ended";
  EXPECT_FALSE(codecDevice->deviceHandleHeld());
}

TEST_F(EndedFromOutsideTest, AJackEventAfterTheEndIsNotFollowedByAnotherRequest) {
  StartConnected(SwitchPopupWindow);
  // The driver completed the request just before the control handler
  // could cancel it: the pass in hand is handled, then nothing waits.
  *connectorActive = 0;
  Jack(1);
  EXPECT_EQ(RunResult(), 1);
  EXPECT_EQ(NewRequests(), Requests{"FINISH_HEADPHONE in=0"});
  EXPECT_TRUE(Running(SWITCH_EXE)) << "no End steps";
  EXPECT_TRUE(codecDevice->deviceHandleHeld());
}

}  // namespace
}  // namespace koru
