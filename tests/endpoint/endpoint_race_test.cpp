// setVolume on one thread against ChangeEndpoint on another, which releases
// the endpoint's volume object and takes a new one: in many seeded
// interleavings, and with the threads running truly in parallel, no call
// ever reaches a released object (the COM audit would record it) and
// nothing leaks.
#include <string>

#include "endpoint_fixture.h"

namespace koru {
namespace {

constexpr int ROUNDS = 4;
constexpr int SEEDS = 60;
constexpr int FREE_RUNS = 10;

class EndpointRaceTest : public EndpointTest {
 protected:
  // One race in a new machine with these options; failures name `run`.
  void Race(const sim::Options& options, const std::string& run) {
    sim::Reset(options);
    Laptop();
    StartWith(MIRRORING);
    ASSERT_EQ(Initialize(), S_OK) << run;
    sim::StartThread([] {
      JoinComApartment();
      for (int round = 0; round < ROUNDS; ++round)
        serviceEndpoint->setVolume(10 + round, &GUID_NULL);
    });
    sim::StartThread([] {
      JoinComApartment();
      for (int round = 0; round < ROUNDS; ++round) serviceEndpoint->ChangeEndpoint();
    });
    sim::Settle();
    EXPECT_TRUE(serviceEndpoint->volume()) << run;
    EndServiceProcess();
    EXPECT_TRUE(sim::com::Faults().empty()) << run << ": " << Joined(sim::com::Faults());
    EXPECT_TRUE(sim::com::LeftByEndedProcesses().empty()) << run;
    EXPECT_TRUE(sim::HandleFaults().empty()) << run << ": " << Joined(sim::HandleFaults());
    EXPECT_TRUE(sim::Problems().empty()) << run << ": " << Joined(sim::Problems());
  }
};

TEST_F(EndpointRaceTest, SetVolumeAgainstChangeEndpointInSeededInterleavings) {
  for (int seed = 1; seed <= SEEDS; ++seed) {
    sim::Options options;
    options.scheduling = sim::Scheduling::Seeded;
    options.seed = static_cast<uint64_t>(seed);
    Race(options, "seed " + std::to_string(seed));
  }
}

TEST_F(EndpointRaceTest, SetVolumeAgainstChangeEndpointFreeRunning) {
  for (int run = 0; run < FREE_RUNS; ++run) {
    sim::Options options;
    options.scheduling = sim::Scheduling::FreeRunning;
    Race(options, "free run " + std::to_string(run));
  }
}

}  // namespace
}  // namespace koru
