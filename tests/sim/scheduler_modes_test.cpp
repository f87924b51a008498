// The scheduler: the fixed order, seeded interleavings that replay from
// their seed, the free-running mode, and the machine's reports of threads
// that never give the baton back.
#include <set>
#include <stdexcept>

#include "kernel_fixture.h"

namespace sim_test {
namespace {

using SchedulerTest = MachineTest;

sim::Options Seeded(uint64_t seed) {
  sim::Options options;
  options.scheduling = sim::Scheduling::Seeded;
  options.seed = seed;
  return options;
}

// Three threads that each note their number ten times, with a scheduling
// point after each note.
std::vector<int> Interleaving(const sim::Options& options) {
  sim::Reset(options);
  sim::StartProgram(sim::Program{});
  std::vector<int> order;
  LONG points = 0;
  for (int thread = 0; thread < 3; ++thread) {
    sim::StartThread([&order, &points, thread] {
      for (int i = 0; i < 10; ++i) {
        order.push_back(thread);
        InterlockedIncrement(&points);
      }
    });
  }
  sim::Settle();
  sim::EndProgram();
  return order;
}

std::vector<int> Sequential() {
  std::vector<int> order;
  for (int thread = 0; thread < 3; ++thread) order.insert(order.end(), 10, thread);
  return order;
}

TEST_F(SchedulerTest, FixedOrderRunsEachThreadUntilItBlocks) {
  EXPECT_EQ(Interleaving(sim::Options{}), Sequential());
}

TEST_F(SchedulerTest, SameSeedGivesTheSameInterleaving) {
  for (uint64_t seed : {1u, 7u, 12345u}) {
    std::vector<int> first = Interleaving(Seeded(seed));
    std::vector<int> second = Interleaving(Seeded(seed));
    EXPECT_EQ(first, second) << "seed " << seed;
  }
}

TEST_F(SchedulerTest, SeedsExploreDifferentInterleavings) {
  std::set<std::vector<int>> seen;
  for (uint64_t seed = 0; seed < 10; ++seed) seen.insert(Interleaving(Seeded(seed)));
  EXPECT_GT(seen.size(), 5u) << "ten seeds gave only " << seen.size() << " interleavings";
  EXPECT_EQ(seen.count(Sequential()), 0u) << "a seed kept the fixed order";
}

TEST_F(SchedulerTest, WokenThreadsRunInTheOrderTheyBlocked) {
  StartProcess();
  HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::vector<int> order;
  for (int thread = 0; thread < 3; ++thread) {
    sim::StartThread([&order, gate, thread] {
      WaitForSingleObject(gate, INFINITE);
      order.push_back(thread);
    });
  }
  sim::Settle();
  SetEvent(gate);
  sim::Settle();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST_F(SchedulerTest, SleepZeroGivesOtherThreadsATurn) {
  StartProcess();
  std::vector<int> order;
  for (int thread = 0; thread < 2; ++thread) {
    sim::StartThread([&order, thread] {
      for (int i = 0; i < 3; ++i) {
        order.push_back(thread);
        Sleep(0);
      }
    });
  }
  sim::Settle();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 0, 1, 0, 1}));
  EXPECT_EQ(sim::NowMs(), 0u);
}

class SettleLimitTest : public MachineTest {
 protected:
  sim::Options MachineOptions() const override {
    sim::Options options;
    options.settleLimitMs = 10000;
    return options;
  }
};

TEST_F(SettleLimitTest, GivesUpOnATimerThatReArmsForever) {
  StartProcess();
  int rounds = 0;
  sim::StartThread([&] {
    for (;;) {
      Sleep(1000);
      ++rounds;
    }
  });
  sim::Settle();
  ASSERT_EQ(sim::Problems().size(), 1u);
  EXPECT_NE(sim::Problems()[0].find("does not settle"), std::string::npos) << sim::Problems()[0];
  EXPECT_LE(sim::NowMs(), 10000u);
  EXPECT_EQ(rounds, 10);
}

TEST_F(SchedulerTest, ASpinningThreadIsReported) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        StartProcess();
        sim::SetRecording(false);
        sim::StartThread([] {
          for (;;) GetTickCount64();
        });
        sim::Settle();
      },
      ::testing::ExitedWithCode(3), "spinning.*last simulated call: GetTickCount64");
}

TEST_F(SchedulerTest, AThreadThatRunsWithoutSimulatedCallsIsReportedAsHung) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        sim::Options options;
        options.hangTimeout = std::chrono::milliseconds(100);
        sim::Reset(options);
        StartProcess();
        sim::StartThread([] {
          GetCurrentThreadId();
          volatile bool spin = true;
          while (spin) {
          }
        });
        sim::Settle();
      },
      ::testing::ExitedWithCode(3), "hung.*last simulated call: GetCurrentThreadId");
}

TEST_F(SchedulerTest, AnUnexpectedExceptionIsACrash) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        StartProcess();
        sim::StartThread([] { throw std::runtime_error("boom"); });
        sim::Settle();
      },
      ::testing::ExitedWithCode(3), "unexpected exception.*boom");
}

using FreeRunningTest = FreeRunning<MachineTest>;

TEST_F(FreeRunningTest, FreeRunningSettleWaitsForEveryThread) {
  StartProcess();
  LONG counter = 0;
  for (int thread = 0; thread < 4; ++thread) {
    sim::StartThread([&] {
      for (int i = 0; i < 1000; ++i) InterlockedIncrement(&counter);
    });
  }
  sim::Settle();
  EXPECT_EQ(counter, 4000);
  EXPECT_EQ(sim::LiveThreads(), 1);
}

TEST_F(FreeRunningTest, FreeRunningTimedWaitsAdvanceTheVirtualClock) {
  StartProcess();
  HANDLE semaphore = CreateSemaphoreW(nullptr, 0, 10, nullptr);
  LONG woken = 0;
  for (int thread = 0; thread < 3; ++thread) {
    sim::StartThread([&, thread] {
      Sleep(1000 * (thread + 1));
      InterlockedIncrement(&woken);
      ReleaseSemaphore(semaphore, 1, nullptr);
    });
  }
  DWORD waits = 0;
  sim::StartThread([&] {
    while (WaitForSingleObject(semaphore, 5000) == WAIT_OBJECT_0) ++waits;
  });
  sim::Settle();
  EXPECT_EQ(woken, 3);
  EXPECT_EQ(waits, 3u);
  EXPECT_EQ(sim::NowMs(), 8000u) << "the last wake-up at 3000 ms, then a 5000 ms timeout";
}

TEST_F(FreeRunningTest, FreeRunningProcessEndUnwindsBlockedThreads) {
  StartProcess();
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  for (int thread = 0; thread < 3; ++thread) {
    sim::StartThread([&] { WaitForSingleObject(event, INFINITE); });
  }
  sim::Settle();
  EXPECT_EQ(sim::LiveThreads(), 4);
  sim::EndProgram();
  EXPECT_FALSE(sim::ProgramAlive());
  EXPECT_TRUE(sim::Problems().empty());
}

class FreeRunningRealTimeTest : public MachineTest {
 protected:
  sim::Options MachineOptions() const override {
    sim::Options options = FreeRunningOptions();
    options.realTime = true;
    return options;
  }
};

TEST_F(FreeRunningRealTimeTest, FreeRunningRealTimeWaitEndsWhenSignalled) {
  StartProcess();
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  DWORD result = kPoison;
  sim::StartThread([&] { result = WaitForSingleObject(event, 60000); });
  sim::RunReady();
  SetEvent(event);
  sim::RunReady();
  EXPECT_EQ(result, static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_LT(sim::NowMs(), 60000u) << "the clock follows the wall clock";
}

}  // namespace
}  // namespace sim_test
