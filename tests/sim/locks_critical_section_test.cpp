// Critical sections on the simulated machine: mutual exclusion under many
// seeded interleavings and free-running, recursion, and recorded misuse.
#include "kernel_fixture.h"

namespace sim_test {
namespace {

using CriticalSectionTest = MachineTest;

sim::Options WithScheduling(sim::Scheduling scheduling, uint64_t seed = 0) {
  sim::Options options;
  options.scheduling = scheduling;
  options.seed = seed;
  return options;
}

// Threads increment a counter non-atomically, with a scheduling point
// between the read and the write; the section (entered twice, recursively)
// must keep the count exact.
int CountWithThreads(const sim::Options& options, bool locked, int threads, int rounds) {
  sim::Reset(options);
  sim::StartProgram(sim::Program{});
  CRITICAL_SECTION section;
  InitializeCriticalSectionEx(&section, 0, 0);
  int counter = 0;
  LONG points = 0;
  for (int thread = 0; thread < threads; ++thread) {
    sim::StartThread([&] {
      for (int i = 0; i < rounds; ++i) {
        if (locked) EnterCriticalSection(&section);
        if (locked) EnterCriticalSection(&section);
        int seen = counter;
        InterlockedIncrement(&points);
        counter = seen + 1;
        if (locked) LeaveCriticalSection(&section);
        if (locked) LeaveCriticalSection(&section);
      }
    });
  }
  sim::Settle();
  DeleteCriticalSection(&section);
  sim::EndProgram();
  EXPECT_TRUE(sim::Problems().empty()) << sim::Problems().front();
  return counter;
}

TEST_F(CriticalSectionTest, KeepsACounterExactUnderTwoHundredSeeds) {
  for (uint64_t seed = 0; seed < 200; ++seed) {
    int counter = CountWithThreads(WithScheduling(sim::Scheduling::Seeded, seed), true, 3, 10);
    ASSERT_EQ(counter, 30) << "seed " << seed;
  }
}

TEST_F(CriticalSectionTest, WithoutTheSectionSeedsLoseIncrements) {
  int lost = 0;
  for (uint64_t seed = 0; seed < 20; ++seed) {
    lost += CountWithThreads(WithScheduling(sim::Scheduling::Seeded, seed), false, 3, 10) < 30;
  }
  EXPECT_GT(lost, 0) << "the seeded scheduler never interleaved inside the section";
}

TEST_F(CriticalSectionTest, FreeRunningCriticalSectionKeepsACounterExact) {
  EXPECT_EQ(CountWithThreads(WithScheduling(sim::Scheduling::FreeRunning), true, 4, 500), 2000);
}

TEST_F(CriticalSectionTest, LeavingASectionNotOwnedIsAProblem) {
  StartProcess();
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  sim::StartThread([&] { LeaveCriticalSection(&section); });
  sim::Settle();
  ASSERT_EQ(sim::Problems().size(), 1u);
  EXPECT_NE(sim::Problems()[0].find("does not own it"), std::string::npos) << sim::Problems()[0];
  LeaveCriticalSection(&section);
  DeleteCriticalSection(&section);
  EXPECT_EQ(sim::Problems().size(), 1u);
}

TEST_F(CriticalSectionTest, EnteringAnUninitialisedSectionIsAProblem) {
  StartProcess();
  CRITICAL_SECTION section{};
  EnterCriticalSection(&section);
  ASSERT_EQ(sim::Problems().size(), 1u);
  EXPECT_NE(sim::Problems()[0].find("never initialised"), std::string::npos) << sim::Problems()[0];
  LeaveCriticalSection(&section);
  DeleteCriticalSection(&section);
  EnterCriticalSection(&section);
  ASSERT_EQ(sim::Problems().size(), 2u);
  EXPECT_NE(sim::Problems()[1].find("after DeleteCriticalSection"), std::string::npos)
      << sim::Problems()[1];
}

TEST_F(CriticalSectionTest, DeletingAHeldSectionIsAProblem) {
  StartProcess();
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  DeleteCriticalSection(&section);
  ASSERT_EQ(sim::Problems().size(), 1u);
  EXPECT_NE(sim::Problems()[0].find("holds"), std::string::npos) << sim::Problems()[0];
}

TEST_F(CriticalSectionTest, ProcessEndReleasesASectionHeldByAnUnwindingThread) {
  StartProcess();
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  struct Guard {
    CRITICAL_SECTION* section;
    explicit Guard(CRITICAL_SECTION* s) : section(s) { EnterCriticalSection(section); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    ~Guard() { LeaveCriticalSection(section); }
  };
  sim::StartThread([&] {
    Guard guard(&section);
    WaitForSingleObject(never, INFINITE);
  });
  sim::StartThread([&] { Guard guard(&section); });
  sim::Settle();
  EXPECT_EQ(sim::LiveThreads(), 3);
  sim::EndProgram();
  EXPECT_FALSE(sim::ProgramAlive());
  EXPECT_EQ(section.OwningThread, nullptr);
  EXPECT_TRUE(sim::Problems().empty()) << sim::Problems().front();
}

}  // namespace
}  // namespace sim_test
