// Finding and opening the codec: the enumeration of the present interfaces,
// the records and their traces, and every way the discovery fails.
#include <string>
#include <vector>

#include "device_link_fixture.h"

namespace koru {
namespace {

using Messages = std::vector<std::wstring>;

Messages Concat(std::initializer_list<Messages> parts) {
  Messages all;
  for (const Messages& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const Messages kOpened = {L"Start to display devices", L"Display finished", L"To get device index",
                          L"To create device handle", L"CreateFile Successfully"};

using DiscoveryTest = DeviceLinkTest;
using DiscoveryFailureTest = DeviceLinkTest;

// ---- what a successful discovery records ----------------------------------------

TEST_F(DiscoveryTest, NoPresentInterface) {
  EXPECT_EQ(ConnectOnServiceThread(), 0);
  EXPECT_EQ(TraceSinceMark(),
            (Messages{L"To connect to Device!",
                      L"No audio codec devices are present and enable in the System"}));
  EXPECT_TRUE(codecDevice->Interfaces().empty());
  EXPECT_FALSE(codecDevice->deviceHandleHeld());
  EXPECT_TRUE(codecDevice->deviceInfoSetHeld()) << "the empty set is kept until Disconnect";
}

TEST_F(DiscoveryTest, AbsentInterfaceIsNotListed) {
  sim::codec::Present();
  sim::devices::SetPresent(sim::codec::DEFAULT_PATH, false);
  EXPECT_EQ(ConnectOnServiceThread(), 0);
  EXPECT_EQ(TraceSinceMark().back(),
            L"No audio codec devices are present and enable in the System");
}

TEST_F(DiscoveryTest, OneInterfaceWithoutLocationIsAcceptedSilently) {
  sim::codec::Present();
  EXPECT_EQ(ConnectOnServiceThread(), 1);
  EXPECT_EQ(TraceSinceMark(),
            Concat({{L"To connect to Device!"}, RecordTrace(L"Koru Audio Codec"), kOpened}));
  std::vector<InterfaceSummary> records = codecDevice->Interfaces();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].devicePath, sim::codec::DEFAULT_PATH);
  EXPECT_EQ(records[0].deviceName, L"Koru Audio Codec");
  EXPECT_FALSE(records[0].deviceLocation.has_value());
  EXPECT_TRUE(codecDevice->deviceHandleHeld());
  EXPECT_EQ(codecDevice->connected.load(), 0) << "the callers set it";
}

TEST_F(DiscoveryTest, LocationIsTracedThroughTheNarrowFormat) {
  sim::codec::Present(sim::codec::DEFAULT_PATH, L"Codec", L"PCI bus 0, device 31, function 3");
  EXPECT_EQ(ConnectOnServiceThread(), 1);
  EXPECT_TRUE(
      Traced(L"Get deviceDetailData->deviceLoca successfully, PCI bus 0, device 31, function 3"));
  EXPECT_EQ(codecDevice->Interfaces()[0].deviceLocation, L"PCI bus 0, device 31, function 3");
}

TEST_F(DiscoveryTest, TwoInterfacesAreRecordedInOrderAndTheFirstIsOpened) {
  sim::codec::Present(sim::codec::DEFAULT_PATH, L"First");
  sim::codec::Present(SECOND_CODEC_PATH, L"Second", L"Dock");
  EXPECT_EQ(ConnectOnServiceThread(), 1);
  Messages secondRecord = RecordTrace(L"Second");
  secondRecord.push_back(L"Get deviceDetailData->deviceLoca successfully, Dock");
  EXPECT_EQ(TraceSinceMark(),
            Concat({{L"To connect to Device!"}, RecordTrace(L"First"), secondRecord, kOpened}));
  std::vector<InterfaceSummary> records = codecDevice->Interfaces();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].deviceName, L"First");
  EXPECT_EQ(records[1].devicePath, SECOND_CODEC_PATH);

  // The open handle is the first interface's: taking the second away does
  // not touch it, taking the first away does.
  BOOL sent = FALSE;
  sim::devices::SetPresent(SECOND_CODEC_PATH, false);
  RunOnServiceThread([&sent] { sent = codecDevice->SendMuteState(); });
  EXPECT_TRUE(sent);
  sim::devices::SetPresent(sim::codec::DEFAULT_PATH, false);
  RunOnServiceThread([&sent] { sent = codecDevice->SendMuteState(); });
  EXPECT_FALSE(sent);
  RunOnServiceThread([] { codecDevice->Disconnect(); });
}

TEST_F(DiscoveryTest, FailedEnumerationCallAfterTheFirstEndsTheList) {
  sim::codec::Present();
  sim::codec::Present(SECOND_CODEC_PATH, L"Second");
  sim::Fail("SetupDiEnumDeviceInterfaces", {1, 1, false, ERROR_NOT_ENOUGH_MEMORY});
  EXPECT_EQ(ConnectOnServiceThread(), 1);
  EXPECT_EQ(codecDevice->Interfaces().size(), 1u);
}

// ---- failures -------------------------------------------------------------------

TEST_F(DiscoveryFailureTest, AccessDeniedOnOpen) {
  sim::codec::Present();
  sim::Fail("CreateFileW", {0, 1, false, ERROR_ACCESS_DENIED});
  EXPECT_EQ(ConnectOnServiceThread(), 0);
  Messages traced = TraceSinceMark();
  ASSERT_GE(traced.size(), 2u);
  EXPECT_EQ(
      Messages(traced.end() - 3, traced.end()),
      (Messages{L"To create device handle", L"CreateFile failed. Error: 5", L"EXIT on Error"}));
  EXPECT_FALSE(codecDevice->deviceHandleHeld());
  EXPECT_EQ(sim::OpenHandles()["File"], 0);
}

TEST_F(DiscoveryFailureTest, ClassDevicesFail) {
  sim::codec::Present();
  sim::Fail("SetupDiGetClassDevsW", {});
  EXPECT_EQ(ConnectOnServiceThread(), 0);
  EXPECT_EQ(TraceSinceMark(),
            (Messages{L"To connect to Device!", L"Fatal Error: SetupDiGetClassDevs Fail!"}));
  EXPECT_FALSE(codecDevice->deviceInfoSetHeld());
}

// Each step of a record that can fail, the fault that makes it fail, and
// the trace of that failure.
struct StepFailure {
  const char* api;
  uint32_t skip;  // calls of `api` that succeed first
  uint32_t error;
  const wchar_t* trace;
  size_t tracedBefore;  // lines of the record's trace before the failure
};

const StepFailure kStepFailures[] = {
    {"SetupDiGetDeviceInterfaceDetailW", 0, ERROR_INVALID_USER_BUFFER,
     L"4 SetupDiGetDeviceInterfaceDetail failed! Error: 1784", 1},
    {"HeapAlloc", 0, ERROR_NOT_ENOUGH_MEMORY,
     L"Fail to get space for deviceDetailData->pDeviceInterfaceDetailData", 1},
    {"SetupDiGetDeviceInterfaceDetailW", 1, ERROR_INVALID_USER_BUFFER,
     L"1 SetupDiGetDeviceInterfaceDetail failed, Error: 1784", 1},
    {"SetupDiGetDeviceRegistryPropertyW", 0, ERROR_INVALID_DATA,
     L"4 SetupDiGetDeviceInterfaceDetail failed! Error: 13", 3},
    {"HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY, L"Fail to get space for deviceDetailData->deviceName",
     3},
    {"SetupDiGetDeviceRegistryPropertyW", 1, ERROR_INVALID_DATA,
     L"2 SetupDiGetDeviceInterfaceDetail failed, Error: 13", 3},
    {"HeapAlloc", 2, ERROR_NOT_ENOUGH_MEMORY, L"Fail to get space for deviceDetailData->deviceLoca",
     5},
    {"SetupDiGetDeviceRegistryPropertyW", 3, ERROR_INVALID_DATA,
     L"3 SetupDiGetDeviceInterfaceDetail failed, Error: 13", 5},
};

TEST_F(DiscoveryFailureTest, EachStepOfARecordFailsTheConnectAndFreesTheRecord) {
  for (const StepFailure& step : kStepFailures) {
    SCOPED_TRACE(step.trace);
    sim::Reset();
    sim::codec::Present(sim::codec::DEFAULT_PATH, L"Codec", L"Bus");
    StartServiceProcess();
    MarkTrace();
    sim::Fail(step.api, {step.skip, 1, false, step.error});
    int64_t heapBefore = HeapBlocksHeld();
    EXPECT_EQ(ConnectOnServiceThread(), 0);
    Messages record = RecordTrace(L"Codec");
    Messages expected = {L"To connect to Device!"};
    expected.insert(expected.end(), record.begin(), record.begin() + step.tracedBefore);
    expected.insert(expected.end(),
                    {step.trace, L"GetDeviceInterfaceDatail Failed", L"EXIT on Error"});
    EXPECT_EQ(TraceSinceMark(), expected);
    EXPECT_TRUE(codecDevice->Interfaces().empty());
    // A HeapAlloc that was made to fail counts as a call without a block.
    int64_t failedAllocations = std::string(step.api) == "HeapAlloc" ? 1 : 0;
    EXPECT_EQ(HeapBlocksHeld(), heapBefore + failedAllocations)
        << "the half-read record freed its blocks";
    EndServiceProcess();
  }
}

TEST_F(DiscoveryFailureTest, SecondRecordFailingKeepsTheFirstAndFailsTheConnect) {
  sim::codec::Present(sim::codec::DEFAULT_PATH, L"First");
  sim::codec::Present(SECOND_CODEC_PATH, L"Second");
  // The second record's description handshake: the first record made two
  // calls for its description and one for its location.
  sim::Fail("SetupDiGetDeviceRegistryPropertyW", {3, 1, false, ERROR_INVALID_DATA});
  EXPECT_EQ(ConnectOnServiceThread(), 0);
  EXPECT_EQ(TraceSinceMark().back(), L"EXIT on Error");
  ASSERT_EQ(codecDevice->Interfaces().size(), 1u);
  EXPECT_EQ(codecDevice->Interfaces()[0].deviceName, L"First");
  EXPECT_FALSE(codecDevice->deviceHandleHeld());
}

}  // namespace
}  // namespace koru
