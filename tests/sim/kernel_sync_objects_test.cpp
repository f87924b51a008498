// Events, semaphores and the wait functions of the simulated machine.
#include <chrono>

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
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, &previous));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_POSTS));
  SetLastError(kPoison);
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 0, &previous));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
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

TEST_F(EventTest, AutoResetEventReleasesOneWaiterPerSet) {
  StartProcess();
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  int woken = 0;
  for (int i = 0; i < 2; ++i) {
    sim::StartThread([&] {
      if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) ++woken;
    });
  }
  sim::Settle();
  EXPECT_EQ(woken, 0);
  EXPECT_TRUE(SetEvent(event));
  sim::Settle();
  EXPECT_EQ(woken, 1);
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the wake-up reset the event";
  EXPECT_TRUE(SetEvent(event));
  sim::Settle();
  EXPECT_EQ(woken, 2);
}

TEST_F(EventTest, ManualResetEventReleasesEveryWaiterUntilReset) {
  StartProcess();
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  int woken = 0;
  for (int i = 0; i < 3; ++i) {
    sim::StartThread([&] {
      if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) ++woken;
    });
  }
  sim::Settle();
  EXPECT_TRUE(SetEvent(event));
  sim::Settle();
  EXPECT_EQ(woken, 3);
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(ResetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(WaitTest, TimedWaitCostsVirtualTimeOnly) {
  StartProcess();
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  DWORD result = kPoison;
  uint64_t returnedAt = 0;
  sim::StartThread([&] {
    result = WaitForSingleObject(event, 1000);
    returnedAt = sim::NowMs();
  });
  auto realStart = std::chrono::steady_clock::now();
  sim::Advance(500);
  EXPECT_EQ(result, kPoison) << "half the timeout has passed";
  EXPECT_EQ(sim::NowMs(), 500u);
  sim::Advance(500);
  EXPECT_EQ(result, static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(returnedAt, 1000u);
  EXPECT_EQ(sim::NowMs(), 1000u);
  auto real = std::chrono::steady_clock::now() - realStart;
  EXPECT_LT(real, std::chrono::milliseconds(500)) << "the wait must not take real time";
}

TEST_F(WaitTest, SettleAdvancesTheClockToEachDeadline) {
  StartProcess();
  std::vector<uint64_t> wakes;
  sim::StartThread([&] {
    Sleep(1000);
    wakes.push_back(sim::NowMs());
    Sleep(250);
    wakes.push_back(sim::NowMs());
  });
  sim::Settle();
  EXPECT_EQ(wakes, (std::vector<uint64_t>{1000, 1250}));
  EXPECT_EQ(sim::NowMs(), 1250u);
  EXPECT_EQ(sim::LiveThreads(), 1) << "only the main thread is left";
}

TEST_F(WaitTest, RunReadyDoesNotMoveTheClock) {
  StartProcess();
  bool started = false;
  bool slept = false;
  sim::StartThread([&] {
    started = true;
    Sleep(100);
    slept = true;
  });
  sim::RunReady();
  EXPECT_TRUE(started);
  EXPECT_FALSE(slept);
  EXPECT_EQ(sim::NowMs(), 0u);
  sim::Settle();
  EXPECT_TRUE(slept);
  EXPECT_EQ(sim::NowMs(), 100u);
}

TEST_F(WaitTest, SignalBeforeTheDeadlineWins) {
  StartProcess();
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  DWORD result = kPoison;
  sim::StartThread([&] { result = WaitForSingleObject(event, 1000); });
  sim::Advance(300);
  SetEvent(event);
  sim::Settle();
  EXPECT_EQ(result, static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(sim::NowMs(), 300u) << "no timer was left to advance to";
}

TEST_F(WaitTest, WaitForAnyReportsTheSignalledIndex) {
  StartProcess();
  HANDLE handles[3] = {CreateEventW(nullptr, FALSE, FALSE, nullptr),
                       CreateSemaphoreW(nullptr, 0, 1, nullptr),
                       CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  DWORD result = kPoison;
  sim::StartThread([&] { result = WaitForMultipleObjects(3, handles, FALSE, INFINITE); });
  sim::Settle();
  EXPECT_EQ(result, kPoison);
  ReleaseSemaphore(handles[1], 1, nullptr);
  sim::Settle();
  EXPECT_EQ(result, WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForSingleObject(handles[1], 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the wait took the semaphore's count";
}

TEST_F(WaitTest, WaitForAllNeedsEveryObject) {
  StartProcess();
  HANDLE handles[2] = {CreateEventW(nullptr, FALSE, FALSE, nullptr),
                       CreateSemaphoreW(nullptr, 0, 2, nullptr)};
  DWORD result = kPoison;
  sim::StartThread([&] { result = WaitForMultipleObjects(2, handles, TRUE, INFINITE); });
  SetEvent(handles[0]);
  sim::Settle();
  EXPECT_EQ(result, kPoison) << "one of two objects is not enough";
  ReleaseSemaphore(handles[1], 1, nullptr);
  sim::Settle();
  EXPECT_EQ(result, static_cast<DWORD>(WAIT_OBJECT_0));
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
