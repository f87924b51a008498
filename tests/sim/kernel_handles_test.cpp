// The handle table's audits: double closes, uses after close, handles of the
// wrong kind, never opened or of another process, and values never reused.
#include "kernel_fixture.h"

namespace sim_test {
namespace {

using HandleTest = MachineTest;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(HandleTest, DoubleCloseIsAFault) {
  StartProcess();
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_TRUE(CloseHandle(event));
  SetLastError(kPoison);
  EXPECT_FALSE(CloseHandle(event));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ASSERT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_TRUE(Contains(sim::HandleFaults()[0], "CloseHandle")) << sim::HandleFaults()[0];
  EXPECT_TRUE(Contains(sim::HandleFaults()[0], "closed already")) << sim::HandleFaults()[0];
}

TEST_F(HandleTest, UseAfterCloseIsAFault) {
  StartProcess();
  HANDLE semaphore = CreateSemaphoreW(nullptr, 0, 1, nullptr);
  CloseHandle(semaphore);
  SetLastError(kPoison);
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(kPoison);
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ASSERT_EQ(sim::HandleFaults().size(), 2u);
  EXPECT_TRUE(Contains(sim::HandleFaults()[0], "ReleaseSemaphore")) << sim::HandleFaults()[0];
  EXPECT_TRUE(Contains(sim::HandleFaults()[1], "WaitForSingleObject")) << sim::HandleFaults()[1];
}

TEST_F(HandleTest, WrongKindIsAFault) {
  StartProcess();
  HANDLE semaphore = CreateSemaphoreW(nullptr, 0, 1, nullptr);
  SetLastError(kPoison);
  EXPECT_FALSE(SetEvent(semaphore));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ASSERT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_TRUE(Contains(sim::HandleFaults()[0], "has kind Semaphore, not Event"))
      << sim::HandleFaults()[0];
  EXPECT_TRUE(CloseHandle(semaphore)) << "the handle itself stays good";
}

TEST_F(HandleTest, NeverOpenedHandleIsAFault) {
  StartProcess();
  SetLastError(kPoison);
  EXPECT_FALSE(SetEvent(reinterpret_cast<HANDLE>(uintptr_t{0x12344})));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ASSERT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_TRUE(Contains(sim::HandleFaults()[0], "0x12344 was never opened"))
      << sim::HandleFaults()[0];
}

TEST_F(HandleTest, AnotherProcessesHandleIsAFault) {
  HANDLE machines = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ASSERT_NE(machines, nullptr) << "the controller may create objects without a process";
  StartProcess();
  SetLastError(kPoison);
  EXPECT_FALSE(SetEvent(machines));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ASSERT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_TRUE(Contains(sim::HandleFaults()[0], "belongs to another process"))
      << sim::HandleFaults()[0];
}

TEST_F(HandleTest, HandleValuesAreNeverReused) {
  StartProcess();
  HANDLE first = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(first);
  HANDLE second = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_NE(first, second);
  EXPECT_FALSE(CloseHandle(first));
  EXPECT_TRUE(CloseHandle(second));
  EXPECT_EQ(sim::HandleFaults().size(), 1u);
}

}  // namespace
}  // namespace sim_test
