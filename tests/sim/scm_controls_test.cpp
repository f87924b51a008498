// Controls of the simulated service control manager: one at a time on the
// process's main thread in seeded orders, and the controls that Windows
// refuses without delivering them.
#include "scm_fixture.h"

namespace sim_test::scm {
namespace {

using ScmControlsTest = ScmTest;

constexpr DWORD kUserControl = 200;

// The handler sleeps in every call, so that other threads run meanwhile; a
// dispatcher that called it from two threads would show two at once.
class ScmSeededControlsTest : public ScmTest, public ::testing::WithParamInterface<uint64_t> {
 protected:
  sim::Options MachineOptions() const override {
    return OptionsFor(sim::Scheduling::Seeded, GetParam());
  }
};

TEST_P(ScmSeededControlsTest, NeverTwoHandlersAtOnce) {
  TheBehaviour().handlerSleepMs = 5;
  TheBehaviour().registerForCodec = true;
  StartRunning();
  for (int i = 0; i < 4; ++i) {
    sim::services::Control(SERVICE_CONTROL_INTERROGATE);
    sim::services::DeliverDeviceInterfaceEvent(kCodecClass, DBT_DEVICEARRIVAL,
                                               DBT_DEVTYP_DEVICEINTERFACE);
    sim::services::Control(kUserControl + i);
    sim::RunReady();
  }
  sim::services::Control(SERVICE_CONTROL_STOP);
  sim::Settle();
  EXPECT_EQ(TheSeen().mostHandlersAtOnce, 1);
  EXPECT_EQ(TheSeen().controls.size(), 13u);
  for (const HandledControl& control : TheSeen().controls) {
    EXPECT_EQ(control.threadId, TheSeen().entryThreadId) << "control " << control.control;
  }
  std::vector<DWORD> delivered = DeliveredControls();
  ASSERT_EQ(delivered.size(), 13u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(delivered[3 * i], SERVICE_CONTROL_INTERROGATE) << "at " << 3 * i;
    EXPECT_EQ(delivered[3 * i + 1], SERVICE_CONTROL_DEVICEEVENT) << "at " << 3 * i + 1;
    EXPECT_EQ(delivered[3 * i + 2], kUserControl + i) << "at " << 3 * i + 2;
  }
  EXPECT_TRUE(TheSeen().dispatcherReturned);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ScmSeededControlsTest, ::testing::Range<uint64_t>(1, 13));

TEST_F(ScmControlsTest, AControlTheServiceDoesNotAcceptIsRefusedAndNotDelivered) {
  TheBehaviour().accepted = SERVICE_ACCEPT_STOP;
  StartRunning();
  EXPECT_EQ(sim::services::Control(SERVICE_CONTROL_PRESHUTDOWN),
            static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL));
  EXPECT_EQ(sim::services::Control(SERVICE_CONTROL_PAUSE),
            static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL));
  EXPECT_EQ(sim::services::Control(SERVICE_CONTROL_SHUTDOWN),
            static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL));
  sim::Settle();
  EXPECT_TRUE(TheSeen().controls.empty()) << TheSeen().controls.size() << " handled";
  EXPECT_EQ(sim::services::CurrentState(), SERVICE_RUNNING);
}

TEST_F(ScmControlsTest, ControlsThatAreNoControlsAreInvalidParameters) {
  StartRunning();
  EXPECT_EQ(sim::services::Control(0), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(sim::services::Control(256), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ScmControlsTest, NoControlWhileTheServiceIsStartPending) {
  TheBehaviour().reportRunning = false;
  TheBehaviour().accepted = SERVICE_ACCEPT_STOP;
  StartRunning();
  EXPECT_EQ(sim::services::Control(SERVICE_CONTROL_STOP),
            static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));
  EXPECT_EQ(sim::services::Control(SERVICE_CONTROL_INTERROGATE), 0u);
  sim::Settle();
  EXPECT_EQ(DeliveredControls(), std::vector<DWORD>{SERVICE_CONTROL_INTERROGATE});
}

TEST_F(ScmControlsTest, NoSecondStopWhileStopPending) {
  TheBehaviour().stopOnStop = false;
  StartRunning();
  SERVICE_STATUS_HANDLE handle = TheSeen().statusHandle;
  Report(handle, SERVICE_STOP_PENDING, SERVICE_ACCEPT_STOP, 1, 1000);
  EXPECT_EQ(sim::services::Control(SERVICE_CONTROL_STOP),
            static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));
}

TEST_F(ScmControlsTest, NoControlBeforeTheHandlerIsRegistered) {
  Install();
  ASSERT_EQ(sim::services::Start(kServiceName, TestServiceProgram()), 0u);
  EXPECT_EQ(sim::services::CurrentState(), SERVICE_START_PENDING);
  EXPECT_EQ(sim::services::Control(SERVICE_CONTROL_INTERROGATE),
            static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));
  sim::Settle();
  EXPECT_TRUE(DeliveredControls().empty());
}

TEST_F(ScmControlsTest, NoControlWithoutARunningService) {
  EXPECT_EQ(sim::services::Control(SERVICE_CONTROL_INTERROGATE),
            static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  StartRunning();
  sim::services::Control(SERVICE_CONTROL_STOP);
  sim::Settle();
  EXPECT_EQ(sim::services::Control(SERVICE_CONTROL_INTERROGATE),
            static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
}

}  // namespace
}  // namespace sim_test::scm
