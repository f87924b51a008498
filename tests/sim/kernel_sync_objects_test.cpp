// Semaphore counts, auto- and manual-reset events, the objects the machine
// refuses, waits on several objects, and the wait functions' refusals and
// strictness.
#include "kernel_fixture.h"

namespace sim_test {
namespace {

using SemaphoreTest = MachineTest;
using EventTest = MachineTest;
using WaitTest = MachineTest;

TEST_F(SemaphoreTest, TwoReleasesBeforeAWaitGiveOneWakeUp) {
  StartProcess();
  HANDLE semaphore = CreateSemaphoreW(nullptr, 0, 1, nullptr);
  ASSERT_NE(semaphore, nullptr);
  SetLastError(kPoison);
  EXPECT_TRUE(ReleaseSemaphore(semaphore, 1, nullptr));
  LONG previous = 0x5a5a;
  SetLastError(kPoison);
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, &previous));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_POSTS));
  EXPECT_EQ(previous, 0x5a5a) << "a refused release leaves the previous count unwritten";

  int wakeUps = 0;
  sim::StartThread([&] {
    while (WaitForSingleObject(semaphore, INFINITE) == WAIT_OBJECT_0) ++wakeUps;
  });
  sim::Settle();
  EXPECT_EQ(wakeUps, 1);
  EXPECT_EQ(sim::LiveThreads(), 2) << "the waiter stays blocked";
}

TEST_F(SemaphoreTest, ReleaseReportsThePreviousCount) {
  StartProcess();
  HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 5, nullptr);
  LONG previous = 0x5a5a;
  EXPECT_TRUE(ReleaseSemaphore(semaphore, 3, &previous));
  EXPECT_EQ(previous, 1);
  EXPECT_TRUE(ReleaseSemaphore(semaphore, 1, &previous));
  EXPECT_EQ(previous, 4);
  SetLastError(kPoison);
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 0, &previous));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// An auto-reset event lets one waiter through per SetEvent and is reset by
// the wake-up; a manual-reset one lets every waiter through until reset.
TEST_F(EventTest, EventsWakeOneWaiterPerSetOrAllUntilReset) {
  StartProcess();
  for (BOOL manual : {FALSE, TRUE}) {
    HANDLE event = CreateEventW(nullptr, manual, FALSE, nullptr);
    int woken = 0;
    for (int i = 0; i < 3; ++i) {
      sim::StartThread([&] {
        if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) ++woken;
      });
    }
    sim::Settle();
    EXPECT_TRUE(SetEvent(event));
    sim::Settle();
    EXPECT_EQ(woken, manual ? 3 : 1) << "manual " << manual;
    EXPECT_EQ(WaitForSingleObject(event, 0), manual ? WAIT_OBJECT_0 : WAIT_TIMEOUT)
        << "manual " << manual;
    EXPECT_TRUE(ResetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    for (int set = 0; set < 2; ++set) {
      SetEvent(event);
      sim::Settle();
    }
    EXPECT_EQ(woken, 3) << "manual " << manual;
    CloseHandle(event);
  }
}

TEST_F(SemaphoreTest, InvalidCountsAreRefused) {
  StartProcess();
  const LONG counts[][2] = {{2, 1}, {0, 0}, {-1, 1}, {0, -3}};
  for (const auto& count : counts) {
    SetLastError(kPoison);
    HANDLE semaphore = CreateSemaphoreW(nullptr, count[0], count[1], nullptr);
    EXPECT_EQ(semaphore, nullptr) << "initial " << count[0] << ", maximum " << count[1];
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER))
        << "initial " << count[0] << ", maximum " << count[1];
  }
}

TEST_F(SemaphoreTest, NamedObjectsAreNotSupported) {
  StartProcess();
  SetLastError(kPoison);
  EXPECT_EQ(CreateSemaphoreW(nullptr, 0, 1, L"Name"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  SetLastError(kPoison);
  EXPECT_EQ(CreateEventW(nullptr, FALSE, FALSE, L"Name"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

TEST_F(WaitTest, WaitForAnyTakesOneObjectAndWaitForAllNeedsEvery) {
  StartProcess();
  HANDLE handles[2] = {CreateEventW(nullptr, FALSE, FALSE, nullptr),
                       CreateSemaphoreW(nullptr, 0, 2, nullptr)};
  DWORD any = kPoison;
  sim::StartThread([&] { any = WaitForMultipleObjects(2, handles, FALSE, INFINITE); });
  ReleaseSemaphore(handles[1], 1, nullptr);
  sim::Settle();
  EXPECT_EQ(any, WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForSingleObject(handles[1], 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the wait took the semaphore's count";

  DWORD all = kPoison;
  sim::StartThread([&] { all = WaitForMultipleObjects(2, handles, TRUE, INFINITE); });
  SetEvent(handles[0]);
  sim::Settle();
  EXPECT_EQ(all, kPoison) << "one of two objects is not enough";
  ReleaseSemaphore(handles[1], 1, nullptr);
  sim::Settle();
  EXPECT_EQ(all, static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "both objects were taken";
}

TEST_F(WaitTest, BadArgumentsFailTheWait) {
  StartProcess();
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE twice[2] = {event, event};
  SetLastError(kPoison);
  EXPECT_EQ(WaitForMultipleObjects(2, twice, TRUE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(kPoison);
  EXPECT_EQ(WaitForMultipleObjects(0, twice, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  HANDLE withBad[2] = {event, reinterpret_cast<HANDLE>(uintptr_t{0x7770})};
  SetLastError(kPoison);
  EXPECT_EQ(WaitForMultipleObjects(2, withBad, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(kPoison);
  EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(sim::HandleFaults().size(), 2u);
}

TEST_F(WaitTest, ControllerCannotBlock) {
  StartProcess();
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_FAILED);
  ASSERT_EQ(sim::Problems().size(), 1u);
  EXPECT_NE(sim::Problems()[0].find("controller"), std::string::npos) << sim::Problems()[0];
}

}  // namespace
}  // namespace sim_test
