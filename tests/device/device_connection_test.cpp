// What a connection holds and when it lets go: Disconnect, the second
// Connect of a connection, the initial state, the records' heap blocks and
// the detail block handed to the switch-window watcher.
#include <string>

#include "device_link_fixture.h"

namespace koru {
namespace {

using ConnectionTest = DeviceLinkTest;
using RecordBlocksTest = DeviceLinkTest;

TEST_F(ConnectionTest, DisconnectTwiceReleasesNothingTheSecondTime) {
  sim::codec::Present();
  ASSERT_EQ(ConnectOnServiceThread(), 1);
  codecDevice->connected = 1;
  uint64_t closes = Calls("CloseHandle");
  uint64_t destroys = Calls("SetupDiDestroyDeviceInfoList");
  RunOnServiceThread([] { codecDevice->Disconnect(); });
  EXPECT_EQ(Calls("CloseHandle"), closes + 1);
  EXPECT_EQ(Calls("SetupDiDestroyDeviceInfoList"), destroys + 1);
  EXPECT_EQ(codecDevice->connected.load(), 0);
  EXPECT_EQ(sim::OpenHandles()["File"], 0);
  EXPECT_EQ(sim::OpenHandles()["DeviceInfoSet"], 0);

  RunOnServiceThread([] { codecDevice->Disconnect(); });
  EXPECT_EQ(Calls("CloseHandle"), closes + 1) << "nothing closed the second time";
  EXPECT_EQ(Calls("SetupDiDestroyDeviceInfoList"), destroys + 1);
}

TEST_F(ConnectionTest, DisconnectWithoutConnectReleasesNothing) {
  RunOnServiceThread([] { codecDevice->Disconnect(); });
  EXPECT_EQ(Calls("CloseHandle"), 0u);
  EXPECT_EQ(Calls("SetupDiDestroyDeviceInfoList"), 0u);
}

TEST_F(ConnectionTest, SecondConnectReleasesTheFirstsHandleAndSet) {
  sim::codec::Present();
  ASSERT_EQ(ConnectOnServiceThread(), 1);
  std::map<std::string, int> afterFirst = sim::OpenHandles();
  EXPECT_EQ(afterFirst["File"], 1);
  EXPECT_EQ(afterFirst["DeviceInfoSet"], 1);
  ASSERT_EQ(ConnectOnServiceThread(), 1);
  EXPECT_EQ(sim::OpenHandles(), afterFirst) << "handles steady across the second Connect";
  std::vector<InterfaceSummary> records = codecDevice->Interfaces();
  ASSERT_EQ(records.size(), 2u) << "the interface is recorded once per Connect";
  EXPECT_EQ(records[0].devicePath, records[1].devicePath);
  RunOnServiceThread([] { codecDevice->Disconnect(); });
  EXPECT_EQ(sim::OpenHandles()["File"], 0);
  EXPECT_EQ(sim::OpenHandles()["DeviceInfoSet"], 0);
}

TEST_F(ConnectionTest, SecondConnectFailingToOpenLetsTheFirstHandleGo) {
  sim::codec::Present();
  ASSERT_EQ(ConnectOnServiceThread(), 1);
  sim::Fail("CreateFileW", {0, 1, false, ERROR_ACCESS_DENIED});
  EXPECT_EQ(ConnectOnServiceThread(), 0);
  EXPECT_FALSE(codecDevice->deviceHandleHeld());
  EXPECT_EQ(sim::OpenHandles()["File"], 0);
  EXPECT_EQ(sim::OpenHandles()["DeviceInfoSet"], 1) << "the second set, until Disconnect";
}

TEST_F(ConnectionTest, SecondConnectFindingNothingKeepsTheFirstHandleForDisconnect) {
  sim::codec::Present();
  ASSERT_EQ(ConnectOnServiceThread(), 1);
  sim::devices::SetPresent(sim::codec::DEFAULT_PATH, false);
  EXPECT_EQ(ConnectOnServiceThread(), 0);
  EXPECT_TRUE(codecDevice->deviceHandleHeld());
  EXPECT_EQ(sim::OpenHandles()["DeviceInfoSet"], 1) << "the first set was replaced";
  RunOnServiceThread([] { codecDevice->Disconnect(); });
  EXPECT_EQ(sim::OpenHandles()["File"], 0);
}

TEST_F(ConnectionTest, InitialStateReleasesWhatAnEarlierConnectionLeft) {
  sim::codec::Present();
  ASSERT_EQ(ConnectOnServiceThread(), 1);
  codecDevice->connected = 1;
  codecDevice->propertyInitialPending = 0;
  RunOnServiceThread([] { codecDevice->EnterInitialState(); });
  EXPECT_TRUE(codecDevice->Interfaces().empty());
  EXPECT_FALSE(codecDevice->deviceHandleHeld());
  EXPECT_FALSE(codecDevice->deviceInfoSetHeld());
  EXPECT_EQ(codecDevice->connected.load(), 0);
  EXPECT_EQ(codecDevice->propertyInitialPending.load(), 1);
  EXPECT_EQ(HeapBlocksHeld(), 0);
}

TEST_F(ConnectionTest, ProcessEndReleasesWhatTheDeviceObjectHolds) {
  sim::codec::Present(sim::codec::DEFAULT_PATH, L"Codec", L"Bus");
  ASSERT_EQ(ConnectOnServiceThread(), 1);
  EndServiceProcess();
  EXPECT_EQ(sim::HandlesOpenAtExit(), std::vector<std::string>{});
  EXPECT_EQ(HeapBlocksHeld(), 0);
}

TEST_F(ConnectionTest, RequestsWithoutAnOpenDeviceSendNothing) {
  BOOL sent = TRUE;
  DWORD error = 0;
  JackStateReply reply{TRUE, 7, 7};
  RunOnServiceThread([&] {
    sent = codecDevice->SendMuteState();
    error = GetLastError();
    reply = codecDevice->RequestJackState(IOCTL_CMD_JACKSTATE_NOTIFY);
  });
  EXPECT_FALSE(sent);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(reply.succeeded);
  EXPECT_EQ(reply.bytesReturned, 0u);
  EXPECT_TRUE(sim::codec::Requests().empty());
}

// ---- the records' heap blocks ------------------------------------------------------

TEST_F(RecordBlocksTest, ClearingFreesEveryBlock) {
  sim::codec::Present(sim::codec::DEFAULT_PATH, L"Codec", L"Bus");
  sim::codec::Present(SECOND_CODEC_PATH, L"Second");
  ASSERT_EQ(ConnectOnServiceThread(), 1);
  EXPECT_EQ(HeapBlocksHeld(), 5) << "three blocks, then two without a location";
  RunOnServiceThread([] { codecDevice->ClearInterfaces(); });
  EXPECT_EQ(HeapBlocksHeld(), 0);
  EXPECT_TRUE(codecDevice->Interfaces().empty());
}

TEST_F(RecordBlocksTest, HandedOverDetailBlockStaysWithItsNewOwner) {
  sim::codec::Present(sim::codec::DEFAULT_PATH, L"Codec", L"Bus");
  ASSERT_EQ(ConnectOnServiceThread(), 1);
  PSP_DEVICE_INTERFACE_DETAIL_DATA_W handed = nullptr;
  PSP_DEVICE_INTERFACE_DETAIL_DATA_W again = nullptr;
  RunOnServiceThread([&] {
    handed = codecDevice->HandOverFirstDetailBlock();
    again = codecDevice->HandOverFirstDetailBlock();
  });
  ASSERT_NE(handed, nullptr);
  EXPECT_EQ(std::wstring(handed->DevicePath), sim::codec::DEFAULT_PATH);
  EXPECT_EQ(again, nullptr) << "a block is handed over once";
  EXPECT_EQ(codecDevice->Interfaces()[0].devicePath, sim::codec::DEFAULT_PATH)
      << "the record still reads it";

  RunOnServiceThread([] { codecDevice->ClearInterfaces(); });
  EXPECT_EQ(HeapBlocksHeld(), 1) << "only the handed-over block is left";
  RunOnServiceThread([handed] { HeapBlock<SP_DEVICE_INTERFACE_DETAIL_DATA_W>::Adopt(handed); });
  EXPECT_EQ(HeapBlocksHeld(), 0);
  EXPECT_TRUE(sim::Problems().empty()) << "freed exactly once";
}

TEST_F(RecordBlocksTest, NothingToHandOverWithoutARecord) {
  PSP_DEVICE_INTERFACE_DETAIL_DATA_W handed = nullptr;
  RunOnServiceThread([&] { handed = codecDevice->HandOverFirstDetailBlock(); });
  EXPECT_EQ(handed, nullptr);
}

}  // namespace
}  // namespace koru
