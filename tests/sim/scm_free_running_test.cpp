// The service control manager with the threads running truly in parallel:
// the dispatcher, the service main function and the controller's controls
// and device events meet only under the machine's lock (ThreadSanitizer
// watches this test).
#include "scm_fixture.h"

namespace sim_test::scm {
namespace {

class ScmFreeRunningTest : public ScmTest {
 protected:
  sim::Options MachineOptions() const override { return OptionsFor(sim::Scheduling::FreeRunning); }
};

TEST_F(ScmFreeRunningTest, ControlsAndDeviceEventsReachTheHandlerOneAtATime) {
  TheBehaviour().registerForCodec = true;
  StartRunning();
  ASSERT_EQ(sim::services::CurrentState(), SERVICE_RUNNING);
  constexpr int kRounds = 50;
  for (int i = 0; i < kRounds; ++i) {
    sim::services::Control(SERVICE_CONTROL_INTERROGATE);
    sim::services::DeliverDeviceInterfaceEvent(kCodecClass, DBT_DEVICEARRIVAL,
                                               DBT_DEVTYP_DEVICEINTERFACE);
  }
  sim::Settle();
  sim::services::Control(SERVICE_CONTROL_STOP);
  sim::Settle();
  EXPECT_EQ(TheSeen().mostHandlersAtOnce, 1);
  EXPECT_EQ(TheSeen().controls.size(), static_cast<size_t>(2 * kRounds + 1));
  EXPECT_TRUE(TheSeen().dispatcherReturned);
  EXPECT_EQ(BriefHistory().back(), "STOPPED/0/0/0x101");
  EXPECT_FALSE(sim::ProgramAlive());
}

TEST_F(ScmFreeRunningTest, ARestartEndsTheOldLifeAndStartsTheNext) {
  StartRunning(SERVICE_AUTO_START);
  sim::services::Restart(TestServiceProgram());
  sim::Settle();
  EXPECT_EQ(sim::services::CurrentState(), SERVICE_RUNNING);
  EXPECT_EQ(sim::services::StatusHistory().size(), 6u);
}

}  // namespace
}  // namespace sim_test::scm
