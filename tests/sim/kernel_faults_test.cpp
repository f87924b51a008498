// The fault plan's skip and repeat counts, calls that allocate nothing with
// the recorders off, and a heap block freed that was never allocated.
#include "kernel_fixture.h"

#include "allocation_counter.h"

namespace sim_test {
namespace {

using allocation_counter::AllocationsOf;

using FaultTest = MachineTest;

TEST_F(FaultTest, SkipsThenFailsTimesWithTheGivenError) {
  StartProcess();
  sim::FaultSpec desc;
  desc.skip = 1;
  desc.times = 2;
  desc.error = ERROR_ACCESS_DENIED;
  sim::Fail("CreateSemaphoreW", desc);
  std::vector<bool> created;
  std::vector<DWORD> errors;
  for (int i = 0; i < 4; ++i) {
    SetLastError(kPoison);
    created.push_back(CreateSemaphoreW(nullptr, 0, 1, nullptr) != nullptr);
    errors.push_back(GetLastError());
  }
  EXPECT_EQ(created, (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(errors[1], static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(errors[2], static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(FaultTest, AlwaysFailsForGood) {
  StartProcess();
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  sim::FaultSpec desc;
  desc.always = true;
  sim::Fail("SetEvent", desc);
  for (int i = 0; i < 5; ++i) {
    SetLastError(kPoison);
    EXPECT_FALSE(SetEvent(event)) << "call " << i;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << "call " << i;
  }
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(FaultTest, SimulatedCallsDoNotAllocateWhileRecordingIsOff) {
  StartProcess();
  sim::FaultSpec desc;
  desc.always = true;
  sim::Fail("CreateEventW", desc);  // a plan that is looked up on every call
  sim::SetRecording(false);
  size_t allocations = kPoison;
  sim::StartThread([&] {
    GetTickCount64();  // the first call of a thread may set up its thread-local storage
    allocations = AllocationsOf([] {
      SYSTEMTIME time;
      for (int i = 0; i < 100; ++i) {
        GetLocalTime(&time);
        GetCurrentProcessId();
        GetTickCount64();
      }
    });
  });
  sim::Settle();
  EXPECT_EQ(allocations, 0u);
}

using HeapTest = MachineTest;

TEST_F(HeapTest, FreeingAnUnknownBlockIsAProblem) {
  StartProcess();
  HANDLE heap = GetProcessHeap();
  void* block = HeapAlloc(heap, 0, 8);
  EXPECT_TRUE(HeapFree(heap, 0, block));
  SetLastError(kPoison);
  EXPECT_FALSE(HeapFree(heap, 0, block));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ASSERT_EQ(sim::Problems().size(), 1u);
  EXPECT_NE(sim::Problems()[0].find("HeapFree"), std::string::npos) << sim::Problems()[0];
}

}  // namespace
}  // namespace sim_test
