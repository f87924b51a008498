// The machine's shutdown and boot (a prompt pre-shutdown is the preshutdown
// scenario's): a service that does not accept pre-shutdown, and one that
// does not stop within the pre-shutdown time-out.
#include "scm_fixture.h"

namespace sim_test::scm {
namespace {

using ScmRestartTest = ScmTest;

TEST_F(ScmRestartTest, AServiceWithoutPreshutdownIsEndedAtOnce) {
  TheBehaviour().accepted = SERVICE_ACCEPT_STOP;
  StartRunning(SERVICE_AUTO_START);
  sim::services::Restart(TestServiceProgram());
  sim::Settle();
  EXPECT_TRUE(DeliveredControls().empty());
  EXPECT_EQ(BriefHistory(),
            (std::vector<std::string>{"START_PENDING/1/3000/0x0", "RUNNING/0/0/0x1",
                                      "START_PENDING/1/3000/0x0", "RUNNING/0/0/0x1"}));
  EXPECT_EQ(sim::LiveThreads(), 2) << "only the new process lives";
}

TEST_F(ScmRestartTest, TheWaitEndsAtThePreshutdownTimeout) {
  TheBehaviour().stopOnPreshutdown = false;
  StartRunning(SERVICE_AUTO_START);
  uint64_t before = sim::NowMs();
  sim::services::Restart(TestServiceProgram());
  sim::Settle();
  EXPECT_EQ(sim::NowMs() - before, sim::services::PRESHUTDOWN_TIMEOUT_MS);
  EXPECT_EQ(DeliveredControls(), std::vector<DWORD>{SERVICE_CONTROL_PRESHUTDOWN});
  EXPECT_EQ(sim::services::CurrentState(), SERVICE_RUNNING) << "the new process";
  EXPECT_EQ(sim::services::StatusHistory().size(), 4u);
}

}  // namespace
}  // namespace sim_test::scm
