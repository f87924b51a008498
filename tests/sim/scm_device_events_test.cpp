// Device-interface notifications: what RegisterDeviceNotificationW accepts,
// the record without a path, and when a registration's events stop or
// already arrive.
#include "scm_fixture.h"

namespace sim_test::scm {
namespace {

using ScmDeviceEventsTest = ScmTest;

const std::wstring kPath = L"\\\\?\\ROOT#KORUCODEC#0000#{f27cdc00-203e-4107-a503-21211537ea43}";

// Registers for `cls` from the controller, which acts in the live service
// process; the last error when it fails.
HDEVNOTIFY Register(const GUID& cls, DWORD flags = DEVICE_NOTIFY_SERVICE_HANDLE) {
  DEV_BROADCAST_DEVICEINTERFACE_W filter = InterfaceFilter(cls);
  return RegisterDeviceNotificationW(TheSeen().statusHandle, &filter, flags);
}

DWORD RefusalOf(HANDLE recipient, void* filter, DWORD flags) {
  SetLastError(kPoison);
  HDEVNOTIFY handle = RegisterDeviceNotificationW(recipient, filter, flags);
  return handle == nullptr ? GetLastError() : ERROR_SUCCESS;
}

TEST_F(ScmDeviceEventsTest, FiltersAndRecipientsThatWindowsRefuses) {
  StartRunning();
  auto* recipient = static_cast<HANDLE>(TheSeen().statusHandle);
  DEV_BROADCAST_DEVICEINTERFACE_W filter = InterfaceFilter(kCodecClass);
  filter.dbcc_size = sizeof filter - 1;
  EXPECT_EQ(RefusalOf(recipient, &filter, DEVICE_NOTIFY_SERVICE_HANDLE),
            static_cast<DWORD>(ERROR_INVALID_DATA));
  filter = InterfaceFilter(kCodecClass);
  filter.dbcc_devicetype = DBT_DEVTYP_VOLUME;
  EXPECT_EQ(RefusalOf(recipient, &filter, DEVICE_NOTIFY_SERVICE_HANDLE),
            static_cast<DWORD>(ERROR_INVALID_DATA));
  filter.dbcc_devicetype = DBT_DEVTYP_HANDLE;
  EXPECT_EQ(RefusalOf(recipient, &filter, DEVICE_NOTIFY_SERVICE_HANDLE),
            static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(RefusalOf(recipient, nullptr, DEVICE_NOTIFY_SERVICE_HANDLE),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  filter = InterfaceFilter(kCodecClass);
  EXPECT_EQ(RefusalOf(recipient, &filter, 2), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(RefusalOf(recipient, &filter, DEVICE_NOTIFY_WINDOW_HANDLE),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(RefusalOf(reinterpret_cast<HANDLE>(0x1234), &filter, DEVICE_NOTIFY_SERVICE_HANDLE),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(sim::OpenHandles()["DeviceNotify"], 0);
}

TEST_F(ScmDeviceEventsTest, WithoutAPathTheRecordHasItsOwnSize) {
  TheBehaviour().registerForCodec = true;
  StartRunning();
  sim::services::DeliverDeviceInterfaceEvent(kCodecClass, DBT_DEVICEREMOVECOMPLETE,
                                             DBT_DEVTYP_DEVICEINTERFACE);
  sim::Settle();
  ASSERT_EQ(TheSeen().controls.size(), 1u);
  EXPECT_EQ(TheSeen().controls[0].eventType, DBT_DEVICEREMOVECOMPLETE);
  EXPECT_EQ(TheSeen().controls[0].dataSize, 32u);
  EXPECT_EQ(TheSeen().controls[0].name, L"");
}

TEST_F(ScmDeviceEventsTest, NothingArrivesAfterTheRegistrationEnds) {
  StartRunning();
  HDEVNOTIFY handle = Register(kCodecClass);
  ASSERT_EQ(UnregisterDeviceNotification(handle), TRUE);
  EXPECT_EQ(sim::services::DeliverDeviceInterfaceEvent(kCodecClass, DBT_DEVICEARRIVAL,
                                                       DBT_DEVTYP_DEVICEINTERFACE),
            0);
  SetLastError(kPoison);
  EXPECT_EQ(UnregisterDeviceNotification(handle), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(sim::HandleFaults().size(), 1u) << "the second unregistration is a double close";
}

TEST_F(ScmDeviceEventsTest, ARegistrationEndsWithItsProcess) {
  TheBehaviour().registerForCodec = true;
  StartRunning();
  sim::EndProgram();
  TheBehaviour().registerForCodec = false;
  ASSERT_EQ(sim::services::Start(kServiceName, TestServiceProgram()), 0u);
  sim::Settle();
  EXPECT_EQ(sim::services::DeliverDeviceInterfaceEvent(kCodecClass, DBT_DEVICEARRIVAL,
                                                       DBT_DEVTYP_DEVICEINTERFACE),
            0);
}

TEST_F(ScmDeviceEventsTest, DeviceEventsArriveWhileStartPending) {
  TheBehaviour().reportRunning = false;
  StartRunning();
  ASSERT_NE(Register(kCodecClass), nullptr);
  sim::services::DeliverDeviceInterfaceEvent(kCodecClass, DBT_DEVICEARRIVAL,
                                             DBT_DEVTYP_DEVICEINTERFACE);
  sim::Settle();
  EXPECT_EQ(DeliveredControls(), std::vector<DWORD>{SERVICE_CONTROL_DEVICEEVENT})
      << "device events follow the registration, not the accepted controls";
}

}  // namespace
}  // namespace sim_test::scm
