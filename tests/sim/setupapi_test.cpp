// SetupAPI on the machine: the sets it refuses, the structure sizes it
// checks, and the set handles' audit.
#include <string>

#include "device_io_fixture.h"
#include "sim/windows.h"

namespace sim_test {
namespace {

constexpr GUID kOtherClass = {0x11111111, 0x2222, 0x3333, {4, 5, 6, 7, 8, 9, 10, 11}};
constexpr DWORD kInterfaceFlags = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;

class SetupApiTest : public DeviceTest {
 protected:
  static HDEVINFO CodecSet(DWORD flags = kInterfaceFlags) {
    return SetupDiGetClassDevsW(&sim::codec::INTERFACE_CLASS, nullptr, nullptr, flags);
  }
  static SP_DEVICE_INTERFACE_DATA InterfaceData() {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    return data;
  }
  static SP_DEVINFO_DATA DeviceData() {
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    return data;
  }
  // The interface data and device data of member `index`.
  static void Member(HDEVINFO set, DWORD index, SP_DEVICE_INTERFACE_DATA& interface,
                     SP_DEVINFO_DATA& device);
};

void SetupApiTest::Member(HDEVINFO set, DWORD index, SP_DEVICE_INTERFACE_DATA& interface,
                          SP_DEVINFO_DATA& device) {
  interface = InterfaceData();
  device = DeviceData();
  ASSERT_TRUE(
      SetupDiEnumDeviceInterfaces(set, nullptr, &sim::codec::INTERFACE_CLASS, index, &interface));
  alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_W) BYTE buffer[1024];
  auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer);
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  ASSERT_TRUE(
      SetupDiGetDeviceInterfaceDetailW(set, &interface, detail, sizeof buffer, nullptr, &device));
}

// ---- sets and enumeration ------------------------------------------------------

TEST_F(SetupApiTest, EnumerationRefusesAWrongSizeAndEndsWithNoMoreItems) {
  HDEVINFO set = CodecSet();
  SP_DEVICE_INTERFACE_DATA interface = InterfaceData();
  interface.cbSize = 28;
  SetLastError(kPoison);
  EXPECT_FALSE(
      SetupDiEnumDeviceInterfaces(set, nullptr, &sim::codec::INTERFACE_CLASS, 0, &interface));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));

  interface = InterfaceData();
  SetLastError(kPoison);
  EXPECT_FALSE(
      SetupDiEnumDeviceInterfaces(set, nullptr, &sim::codec::INTERFACE_CLASS, 1, &interface));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  SetLastError(kPoison);
  EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kOtherClass, 0, &interface));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  SetupDiDestroyDeviceInfoList(set);
}

TEST_F(SetupApiTest, UnsupportedSetsAreRefused) {
  SetLastError(kPoison);
  EXPECT_EQ(SetupDiGetClassDevsW(nullptr, nullptr, nullptr, kInterfaceFlags), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(kPoison);
  EXPECT_EQ(CodecSet(DIGCF_PRESENT), INVALID_HANDLE_VALUE) << "device setup classes";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(sim::OpenHandles()["DeviceInfoSet"], 0);
}

// ---- interface detail ----------------------------------------------------------

TEST_F(SetupApiTest, DetailRefusesAWrongCbSize) {
  HDEVINFO set = CodecSet();
  SP_DEVICE_INTERFACE_DATA interface = InterfaceData();
  SetupDiEnumDeviceInterfaces(set, nullptr, &sim::codec::INTERFACE_CLASS, 0, &interface);
  alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_W) BYTE buffer[1024];
  auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer);
  // The whole buffer's size, or the 32-bit fixed part, instead of 8.
  for (DWORD wrong : {DWORD{sizeof buffer}, DWORD{6}}) {
    detail->cbSize = wrong;
    SetLastError(kPoison);
    EXPECT_FALSE(
        SetupDiGetDeviceInterfaceDetailW(set, &interface, detail, sizeof buffer, nullptr, nullptr))
        << "cbSize " << wrong;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER)) << "cbSize " << wrong;
  }
  SetupDiDestroyDeviceInfoList(set);
}

TEST_F(SetupApiTest, InterfaceDataOfAnotherSetIsRefused) {
  HDEVINFO first = CodecSet();
  HDEVINFO second = CodecSet();
  SP_DEVICE_INTERFACE_DATA interface = InterfaceData();
  SetupDiEnumDeviceInterfaces(first, nullptr, &sim::codec::INTERFACE_CLASS, 0, &interface);
  DWORD required = kPoison;
  SetLastError(kPoison);
  EXPECT_FALSE(
      SetupDiGetDeviceInterfaceDetailW(second, &interface, nullptr, 0, &required, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(required, kPoison);
  SetupDiDestroyDeviceInfoList(first);
  SetupDiDestroyDeviceInfoList(second);
}

// ---- registry properties -------------------------------------------------------

TEST_F(SetupApiTest, PropertyRefusesAWrongDeviceDataSize) {
  HDEVINFO set = CodecSet();
  SP_DEVICE_INTERFACE_DATA interface;
  SP_DEVINFO_DATA device;
  Member(set, 0, interface, device);
  device.cbSize = 28;
  DWORD required = kPoison;
  SetLastError(kPoison);
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_DEVICEDESC, nullptr, nullptr,
                                                 0, &required));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
  SetupDiDestroyDeviceInfoList(set);
}

// ---- the set handle ------------------------------------------------------------

TEST_F(SetupApiTest, DestroyingTwiceFailsAndIsRecorded) {
  HDEVINFO set = CodecSet();
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
  SetLastError(kPoison);
  EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ASSERT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_NE(sim::HandleFaults()[0].find("is closed already (it was a DeviceInfoSet)"),
            std::string::npos)
      << sim::HandleFaults()[0];
  AllowHandleFaults();
}

TEST_F(SetupApiTest, CloseHandleDoesNotCloseASet) {
  HDEVINFO set = CodecSet();
  EXPECT_FALSE(CloseHandle(set));
  ASSERT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_NE(sim::HandleFaults()[0].find("DeviceInfoSet"), std::string::npos)
      << sim::HandleFaults()[0];
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set)) << "the set stays open";
  AllowHandleFaults();
}

}  // namespace
}  // namespace sim_test
