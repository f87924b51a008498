// The machine's shutdown and boot: pre-shutdown for a service that accepts
// it, bounded by the pre-shutdown time-out, and the end of the old process.
#include "scm_fixture.h"

namespace sim_test::scm {
namespace {

using ScmRestartTest = ScmTest;

TEST_F(ScmRestartTest, AServiceThatAcceptsPreshutdownStopsBeforeTheNewStart) {
  StartRunning(SERVICE_AUTO_START);
  uint64_t before = sim::NowMs();
  sim::services::Restart(TestServiceProgram());
  sim::Settle();
  EXPECT_EQ(DeliveredControls(), std::vector<DWORD>{SERVICE_CONTROL_PRESHUTDOWN});
  EXPECT_EQ(BriefHistory(),
            (std::vector<std::string>{"START_PENDING/1/3000/0x0", "RUNNING/0/0/0x101",
                                      "STOP_PENDING/1/1000/0x101", "STOPPED/0/0/0x101",
                                      "START_PENDING/1/3000/0x0", "RUNNING/0/0/0x101"}));
  std::vector<sim::services::StatusReport> history = sim::services::StatusHistory();
  EXPECT_NE(history.front().pid, history.back().pid) << "a new process";
  EXPECT_EQ(sim::services::CurrentState(), SERVICE_RUNNING);
  EXPECT_EQ(sim::NowMs(), before) << "a prompt stop costs no time";
  EXPECT_TRUE(sim::Problems().empty()) << ::testing::PrintToString(sim::Problems());
}

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
