// The connector routine against the other threads of the service, in
// seeded orders and truly in parallel: popups ended by the watchers and
// the endpoint callback while the routine launches and ends them, and the
// connection ended from outside at any point of a stream of jack events.
#include <string>

#include "connector_run_fixture.h"
#include "launcher/popup_slots.h"
#include "service/shared_objects.h"
#include "settings/feature_flags.h"

namespace koru {
namespace {

constexpr int ROUNDS = 20;
constexpr int RUNS = 6;
// Simulated calls the control handler makes before it ends the connection,
// per run: each run ends it later.
constexpr int POLLS_PER_RUN = 150;
constexpr DWORD STORM_FEATURES = VolumeLimitPopupWindow | VolumeCallbakRegister |
                                 SwitchPopupWindow | PropertySet | ChimeWindowUsed;
// How often the control handler cancels the routine's request again while
// the routine has not ended, in milliseconds.
constexpr DWORD CANCEL_INTERVAL_MS = 10;

// A headphone above the limit, a reset with the chime window, the speaker:
// every popup is launched and ended each round.
void QueueRounds() {
  for (int round = 0; round < ROUNDS; ++round) {
    sim::codec::Jack(1);
    sim::codec::Jack(4);
    sim::codec::Jack(0);
  }
}

// What the watchers and the endpoint callback do to the same slots.
void EndPopupsAsOtherThreadsDo() {
  for (int round = 0; round < ROUNDS; ++round) {
    popupSlots[VOLUME_LIMIT_POPUP]->Terminate();
    popupSlots[SWITCH_WINDOW]->End();
    *IgnoreTrigger = round % 2;
  }
}

class ConnectorStormTest : public ConnectorRunTest {
 protected:
  // One run on a new machine, then its process ended and audited.
  void Storm(const sim::Options& options, const std::function<void()>& race,
             const std::string& name) {
    SCOPED_TRACE(name);
    NewMachine(options);
    Store("VolumeLimit", 30);
    Store("HeadphoneVolume", 40);
    StartWith(STORM_FEATURES);
    QueueRounds();
    race();
    CloseRunThread();
    EndServiceProcess();
    EXPECT_TRUE(sim::HandleFaults().empty()) << Joined(sim::HandleFaults());
    EXPECT_TRUE(sim::Problems().empty()) << Joined(sim::Problems());
  }

  void Storms(sim::Scheduling scheduling, const std::function<void()>& race) {
    for (int run = 1; run <= RUNS && !HasFailure(); ++run) {
      sim::Options options;
      options.scheduling = scheduling;
      options.seed = static_cast<uint64_t>(run);
      polls_ = run * POLLS_PER_RUN;
      Storm(options, race, "run " + std::to_string(run));
    }
  }

  void RacePopupEnders() {
    StartRun(EndPopupsAsOtherThreadsDo);
    EXPECT_EQ(sim::codec::QueuedJackEvents(), 0u);
    sim::codec::Jack(3);
    sim::Settle();
    EXPECT_EQ(RunResult(), 1);
    EXPECT_FALSE(codecDevice->deviceHandleHeld());
    for (int kind : {VOLUME_LIMIT_POPUP, SWITCH_WINDOW, CHIME_WINDOW}) {
      EXPECT_FALSE(popupSlots[kind]->Running()) << "kind " << kind;
    }
  }

  // The control handler's end, later in the stream of events with each
  // run: the flag, then the request cancelled until the routine has ended.
  void RaceEndFromOutside() {
    StartRun([this] {
      for (int poll = 0; poll < polls_; ++poll) WaitForSingleObject(RunThread(), 0);
      *connectorActive = 0;
      while (WaitForSingleObject(RunThread(), CANCEL_INTERVAL_MS) == WAIT_TIMEOUT) {
        CancelSynchronousIo(RunThread());
      }
    });
    EXPECT_EQ(RunResult(), 1);
    EXPECT_TRUE(codecDevice->deviceHandleHeld()) << "left to the one who ended it";
    EXPECT_EQ(codecDevice->connected.load(), 1);
  }

 private:
  int polls_ = 0;
};

TEST_F(ConnectorStormTest, SeededPopupEndersAlongside) {
  Storms(sim::Scheduling::Seeded, [this] { RacePopupEnders(); });
}

TEST_F(ConnectorStormTest, SeededEndFromOutsideDuringTheEvents) {
  Storms(sim::Scheduling::Seeded, [this] { RaceEndFromOutside(); });
}

TEST_F(ConnectorStormTest, FreeRunningPopupEndersAlongside) {
  Storms(sim::Scheduling::FreeRunning, [this] { RacePopupEnders(); });
}

TEST_F(ConnectorStormTest, FreeRunningEndFromOutsideDuringTheEvents) {
  Storms(sim::Scheduling::FreeRunning, [this] { RaceEndFromOutside(); });
}

}  // namespace
}  // namespace koru
