// The connector routine after a driver reset: the start-up requests armed
// again, the next type handled whatever it is, and the chime window with
// its relaunch once a second while no session is attached to the console.
#include <map>

#include "connector_run_fixture.h"
#include "launcher/popup_slots.h"
#include "service/shared_objects.h"
#include "settings/feature_flags.h"
#include "sim/sessions.h"

namespace koru {
namespace {

class ResetTest : public ConnectorRunTest {
 protected:
  // Connected, with the headphone handled.
  void OnHeadphone(DWORD features) {
    StartConnected(features | VolumeCallbakRegister);
    Jack(1);
    MarkAll();
  }
  static uint64_t ConsoleLookups() {
    std::map<std::string, uint64_t> counts = sim::CallCounts();
    return counts["WTSGetActiveConsoleSessionId"];
  }
};

TEST_F(ResetTest, ResetArmsTheStartAgainAndSendsNoFinish) {
  OnHeadphone(NO_FEATURES);
  *IgnoreTrigger = 1;
  Jack(4);
  EXPECT_TRUE(
      InOrder(NewTrace(), {L"Start to getRegistryValue, type is 4", L"Reveive reset information"}));
  EXPECT_EQ(NewRequests(), Requests{"JACKSTATE_NOTIFY"}) << "no finish request for a reset";
  EXPECT_EQ(jackTypePending->load(), 1);
  EXPECT_EQ(IgnoreTrigger->load(), 0);
  EXPECT_EQ(startupInitialPending->load(), 0) << "StartupInitial is off";
  EXPECT_EQ(outputType->load(), 4);

  Jack(1);
  EXPECT_TRUE(InOrder(NewTrace(), {L"Start to getRegistryValue, type is 1",
                                   L"JackNotifyFinish succeed! Finish type is: HEADPHONE"}))
      << "the type before the reset, handled again";
  EXPECT_EQ(jackTypePending->load(), 0);
  Jack(3);
}

TEST_F(ResetTest, WithStartupInitialTheNextRequestIsTheStartupQuery) {
  sim::codec::SetCurrentJack(1);
  OnHeadphone(StartupInitial);
  Jack(4);
  EXPECT_TRUE(InOrder(NewTrace(), {L"Reveive reset information", L"Start to initialize",
                                   L"Start to getRegistryValue, type is 1",
                                   L"JackNotifyFinish succeed! Finish type is: HEADPHONE"}))
      << "the driver's current state, equal to the type before, handled all the same";
  EXPECT_EQ(NewRequests(),
            (Requests{"JACKSTATE_INITIAL", "FINISH_HEADPHONE in=0", "JACKSTATE_NOTIFY"}));
  Jack(3);
}

TEST_F(ResetTest, ThePropertyWriteBeforeTheNextRequestIsArmedAgain) {
  OnHeadphone(PropertyInitial | PropertySet);
  ASSERT_EQ(codecDevice->propertyInitialPending.load(), 0) << "written at the connection";
  Jack(4);
  EXPECT_TRUE(InOrder(NewTrace(), {L"Reveive reset information", L"SetCustomAValue entry",
                                   L"SetPropertyValue exit"}));
  EXPECT_EQ(CustomValue(), 2u) << "the output is the reset type, not the headphone";
  EXPECT_EQ(codecDevice->propertyInitialPending.load(), 0);
  Jack(3);
}

TEST_F(ResetTest, ChimeWindowIsLaunchedOnceWhileItRuns) {
  OnHeadphone(ChimeWindowUsed);
  Jack(4);
  EXPECT_EQ(NewLaunches(), Names{CHIME_EXE});
  EXPECT_TRUE(Running(CHIME_EXE));
  EXPECT_EQ(NewRequests(), Requests{"JACKSTATE_NOTIFY"});
  Jack(4);
  EXPECT_TRUE(Has(NewTrace(), L"Reveive reset information"));
  EXPECT_TRUE(NewLaunches().empty()) << "the chime window runs already";
  Jack(3);
  EXPECT_EQ(NewTerminations(), Names{L"ChimeWindow.exe 4"}) << "ended with the connection";
}

TEST_F(ResetTest, WithoutChimeWindowUsedNoChime) {
  OnHeadphone(NO_FEATURES);
  Jack(4);
  EXPECT_TRUE(NewLaunches().empty());
  EXPECT_FALSE(popupSlots[CHIME_WINDOW]->Running());
  Jack(3);
}

// ---- the chime window without a console session ----------------------------------------

using ChimeRelaunchTest = ResetTest;

TEST_F(ChimeRelaunchTest, RetriesOnceASecondUntilASessionIsAttached) {
  OnHeadphone(ChimeWindowUsed);
  sim::sessions::SetConsole(sim::sessions::kNoConsoleSession, false);
  uint64_t before = ConsoleLookups();
  sim::codec::Jack(4);
  sim::RunReady();
  EXPECT_EQ(ConsoleLookups(), before + 1);
  sim::Advance(999);
  EXPECT_EQ(ConsoleLookups(), before + 1) << "no second attempt within the second";
  sim::Advance(1);
  EXPECT_EQ(ConsoleLookups(), before + 2);
  sim::Advance(3000);
  EXPECT_EQ(ConsoleLookups(), before + 5);
  EXPECT_EQ(NewRequests(), Requests{}) << "no jack event is handled meanwhile";
  EXPECT_TRUE(popupSlots[CHIME_WINDOW]->Running()) << "claimed for the launch";

  sim::sessions::SetConsole(1, true);
  sim::Advance(1000);
  EXPECT_EQ(NewLaunches(), Names{CHIME_EXE});
  EXPECT_EQ(NewRequests(), Requests{"JACKSTATE_NOTIFY"}) << "waiting again";
  Jack(3);
  EXPECT_EQ(RunResult(), 1);
}

TEST_F(ChimeRelaunchTest, StopsWhenTheConnectionIsEndedFromOutside) {
  OnHeadphone(ChimeWindowUsed | SwitchPopupWindow);
  ASSERT_TRUE(Running(SWITCH_EXE));
  sim::sessions::SetConsole(sim::sessions::kNoConsoleSession, false);
  uint64_t before = ConsoleLookups();
  sim::codec::Jack(4);
  sim::Advance(2500);
  ASSERT_EQ(ConsoleLookups(), before + 3);
  ASSERT_FALSE(RunResult().has_value());

  *connectorActive = 0;
  sim::Advance(500);
  EXPECT_EQ(RunResult(), 1) << "left after the pause";
  EXPECT_EQ(ConsoleLookups(), before + 3) << "no attempt after the connection ended";
  EXPECT_FALSE(popupSlots[CHIME_WINDOW]->Running()) << "the claim given back";
  EXPECT_TRUE(Running(SWITCH_EXE)) << "no End steps: the one who ended the connection decides";
  EXPECT_TRUE(NewTerminations().empty());
  EXPECT_TRUE(codecDevice->deviceHandleHeld()) << "no Disconnect either";
  EXPECT_EQ(NewRequests(), Requests{});
  sim::Settle();
  EXPECT_TRUE(NewLaunches().empty());
}

}  // namespace
}  // namespace koru
