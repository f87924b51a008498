// The connector's handle shared by three threads: the connector waiting in
// the driver, the mute-state notification from another thread, and
// Disconnect from the control handler's thread. No request may go out on a
// closed handle, the handle is closed exactly once, and Disconnect never
// waits for the driver.
#include <algorithm>
#include <set>
#include <string>

#include "device_link_fixture.h"

namespace koru {
namespace {

using Lines = std::vector<std::string>;

// What each of the three threads saw.
struct Race {
  bool notifyReturned = false;
  BYTE notifyType = 0xEE;
  bool muteReturned = false;
  BOOL muteSent = FALSE;
  bool disconnected = false;
};

class HandleRaceTest : public DeviceLinkTest {
 protected:
  // A new machine with these options, the codec connected.
  void Connected(const sim::Options& options) {
    sim::Reset(options);
    sim::codec::Present();
    StartServiceProcess();
    ASSERT_EQ(ConnectOnServiceThread(), 1);
    codecDevice->connected = 1;
  }

  // The three threads, started together; the machine settles.
  static void StartRace(Race& race) {
    sim::StartThread([&race] {
      race.notifyType = codecDevice->AwaitJackNotify();
      race.notifyReturned = true;
    });
    sim::StartThread([&race] {
      race.muteSent = codecDevice->SendMuteState();
      race.muteReturned = true;
    });
    sim::StartThread([&race] {
      codecDevice->Disconnect();
      race.disconnected = true;
    });
    sim::Settle();
  }

  // Checks one run of the race to its end.
  // Returns how many requests reached the driver.
  size_t CheckRace(const std::string& label) {
    SCOPED_TRACE(label);
    uint64_t closesBefore = Calls("CloseHandle");
    Race race;
    StartRace(race);
    EXPECT_TRUE(race.disconnected) << "Disconnect does not wait for the driver";
    EXPECT_EQ(codecDevice->connected.load(), 0);
    sim::codec::Jack(JACK_HEADPHONE);
    sim::Settle();
    EXPECT_TRUE(race.notifyReturned);
    EXPECT_TRUE(race.muteReturned);
    EXPECT_EQ(sim::OpenHandles()["File"], 0) << "the last user closed the handle";
    EXPECT_EQ(sim::OpenHandles()["DeviceInfoSet"], 0);
    EXPECT_EQ(Calls("CloseHandle"), closesBefore + 1) << "closed exactly once";
    EXPECT_TRUE(sim::HandleFaults().empty()) << Joined(sim::HandleFaults());
    CheckSent(race);
    return Sent().size();
  }

  // What reached the driver agrees with what the threads saw: a request that
  // took its reference before Disconnect went out, one that came after it
  // failed without going out.
  static void CheckSent(const Race& race) {
    Lines sent = Sent();
    bool notifySent = std::find(sent.begin(), sent.end(), "JACKSTATE_NOTIFY in=") != sent.end();
    EXPECT_EQ(race.notifyType, notifySent ? JACK_HEADPHONE : JACK_END);
    size_t expected = (notifySent ? 1u : 0u) + (race.muteSent ? 1u : 0u);
    EXPECT_EQ(sent.size(), expected) << ::testing::PrintToString(sent);
  }
};

TEST_F(HandleRaceTest, DisconnectWhileBothRequestsWaitInFixedOrder) {
  Connected({});
  CheckRace("fixed order");
  EXPECT_EQ(Sent(), (Lines{"JACKSTATE_NOTIFY in=", "MUTESTATE_NOTIFY in=1"}))
      << "both took their reference before Disconnect ran";
}

TEST_F(HandleRaceTest, DisconnectWhileRequestsWaitInSeededInterleavings) {
  std::set<size_t> outcomes;
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    sim::Options options;
    options.scheduling = sim::Scheduling::Seeded;
    options.seed = seed;
    Connected(options);
    outcomes.insert(CheckRace("seed " + std::to_string(seed)));
    EndServiceProcess();
    EXPECT_TRUE(sim::HandlesOpenAtExit().empty()) << "seed " << seed;
  }
  // Disconnect came before both requests, between them, and after both.
  EXPECT_EQ(outcomes, (std::set<size_t>{0, 1, 2}));
}

TEST_F(HandleRaceTest, RemovalEndsTheWaitAfterDisconnect) {
  Connected({});
  Race race;
  StartRace(race);
  sim::codec::Remove();
  sim::Settle();
  EXPECT_EQ(race.notifyType, JACK_END);
  EXPECT_TRUE(race.muteReturned);
  EXPECT_FALSE(race.muteSent);
  EXPECT_EQ(sim::OpenHandles()["File"], 0);
}

TEST_F(HandleRaceTest, FreeRunningRaceClosesTheHandleOnce) {
  for (int run = 0; run < 10; ++run) {
    sim::Options options;
    options.scheduling = sim::Scheduling::FreeRunning;
    Connected(options);
    CheckRace("free-running run " + std::to_string(run));
    EndServiceProcess();
  }
}

}  // namespace
}  // namespace koru
