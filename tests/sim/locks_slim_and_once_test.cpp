// Slim reader/writer locks and one-time initialisation on the simulated
// machine.
#include "kernel_fixture.h"

namespace sim_test {
namespace {

using SlimLockTest = MachineTest;
using InitOnceTest = MachineTest;

TEST_F(SlimLockTest, ReadersShareAndAWriterWaitsForThem) {
  StartProcess();
  SRWLOCK lock = SRWLOCK_INIT;
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  int readersIn = 0;
  bool writerIn = false;
  for (int reader = 0; reader < 2; ++reader) {
    sim::StartThread([&] {
      AcquireSRWLockShared(&lock);
      ++readersIn;
      WaitForSingleObject(release, INFINITE);
      ReleaseSRWLockShared(&lock);
    });
  }
  sim::StartThread([&] {
    AcquireSRWLockExclusive(&lock);
    writerIn = true;
    ReleaseSRWLockExclusive(&lock);
  });
  sim::Settle();
  EXPECT_EQ(readersIn, 2);
  EXPECT_FALSE(writerIn);
  EXPECT_FALSE(TryAcquireSRWLockExclusive(&lock));
  EXPECT_TRUE(TryAcquireSRWLockShared(&lock));
  ReleaseSRWLockShared(&lock);
  SetEvent(release);
  sim::Settle();
  EXPECT_TRUE(writerIn);
  EXPECT_TRUE(sim::Problems().empty()) << sim::Problems().front();
}

TEST_F(SlimLockTest, ReleasingALockNotHeldIsAProblem) {
  StartProcess();
  SRWLOCK lock = SRWLOCK_INIT;
  ReleaseSRWLockExclusive(&lock);
  ASSERT_EQ(sim::Problems().size(), 1u);
  EXPECT_NE(sim::Problems()[0].find("does not hold"), std::string::npos) << sim::Problems()[0];
}

LONG gInitCalls = 0;
int gInitValue = 0;
bool gFailFirst = false;

BOOL WINAPI SlowInit(PINIT_ONCE, PVOID parameter, PVOID* context) {
  InterlockedIncrement(&gInitCalls);
  Sleep(10);
  if (gFailFirst && gInitCalls == 1) return FALSE;
  *context = parameter;
  return TRUE;
}

// Three threads race for one initialisation; each notes the context it got
// in its own slot. Returns the contexts of the callers that succeeded.
std::vector<PVOID> RaceForInit(const sim::Options& options) {
  sim::Reset(options);
  sim::StartProgram(sim::Program{});
  gInitCalls = 0;
  static INIT_ONCE once;
  once = INIT_ONCE_STATIC_INIT;
  PVOID slots[3] = {nullptr, nullptr, nullptr};
  for (PVOID& slot : slots) {
    sim::StartThread([&slot] {
      PVOID context = nullptr;
      if (InitOnceExecuteOnce(&once, SlowInit, &gInitValue, &context)) slot = context;
    });
  }
  sim::Settle();
  sim::EndProgram();
  std::vector<PVOID> contexts;
  for (PVOID slot : slots) {
    if (slot != nullptr) contexts.push_back(slot);
  }
  return contexts;
}

TEST_F(InitOnceTest, RunsOnceForRacingCallers) {
  gFailFirst = false;
  for (uint64_t seed = 0; seed < 50; ++seed) {
    sim::Options options;
    options.scheduling = sim::Scheduling::Seeded;
    options.seed = seed;
    std::vector<PVOID> contexts = RaceForInit(options);
    EXPECT_EQ(gInitCalls, 1) << "seed " << seed;
    EXPECT_EQ(contexts, std::vector<PVOID>(3, &gInitValue)) << "seed " << seed;
  }
}

TEST_F(InitOnceTest, AFailedInitLetsTheNextCallerTry) {
  gFailFirst = true;
  std::vector<PVOID> contexts = RaceForInit(sim::Options{});
  gFailFirst = false;
  EXPECT_EQ(gInitCalls, 2);
  EXPECT_EQ(contexts, std::vector<PVOID>(2, &gInitValue)) << "the first caller failed";
}

TEST_F(InitOnceTest, FreeRunningInitOnceRunsOnce) {
  gFailFirst = false;
  std::vector<PVOID> contexts = RaceForInit(FreeRunningOptions());
  EXPECT_EQ(gInitCalls, 1);
  EXPECT_EQ(contexts.size(), 3u);
}

}  // namespace
}  // namespace sim_test
