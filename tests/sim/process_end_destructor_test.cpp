// A process that ends while one of its threads is inside a destructor that
// makes simulated calls: the destructor runs to its end (its calls are not
// waits, so the machine does not unwind the thread there), and the process
// ends cleanly. Destructors are noexcept; unwinding out of one would end the
// whole program.
#include <atomic>

#include "kernel_fixture.h"

namespace sim_test {
namespace {

constexpr int kCallsInDestructor = 20;
std::atomic<int> gCallsMade{0};
std::atomic<bool> gEntryReturned{false};
// A destructor that saw the entry point return between two of its calls.
std::atomic<bool> gOverlapped{false};

class CallsWhenDestroyed {
 public:
  CallsWhenDestroyed() = default;
  CallsWhenDestroyed(const CallsWhenDestroyed&) = delete;
  CallsWhenDestroyed& operator=(const CallsWhenDestroyed&) = delete;
  ~CallsWhenDestroyed() {
    bool returnedBefore = gEntryReturned;
    for (int i = 0; i < kCallsInDestructor; ++i) {
      HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      if (CloseHandle(event)) ++gCallsMade;
    }
    if (!returnedBefore && gEntryReturned) gOverlapped = true;
  }
};

DWORD WINAPI EndInADestructor(LPVOID) {
  CallsWhenDestroyed calls;
  GetCurrentThreadId();
  return 0;
}

int StartWorkerAndReturn(int, wchar_t**) {
  HANDLE thread = CreateThread(nullptr, 0, EndInADestructor, nullptr, 0, nullptr);
  for (int i = 0; i < 8; ++i) GetCurrentThreadId();
  CloseHandle(thread);
  gEntryReturned = true;
  return 5;
}

struct Outcome {
  int callsMade;
  bool overlapped;
};

Outcome RunOnce(const sim::Options& options) {
  sim::Reset(options);
  gCallsMade = 0;
  gEntryReturned = false;
  gOverlapped = false;
  DWORD exitCode = sim::RunProgram(sim::Program{nullptr, StartWorkerAndReturn, nullptr}, {});
  EXPECT_EQ(exitCode, 5u);
  EXPECT_TRUE(sim::Problems().empty()) << sim::Problems().front();
  EXPECT_TRUE(sim::HandleFaults().empty());
  EXPECT_TRUE(sim::HandlesOpenAtExit().empty());
  return {gCallsMade, gOverlapped};
}

class ProcessEndDestructorTest : public MachineTest {};

TEST_F(ProcessEndDestructorTest, SeededOrdersLetTheDestructorFinish) {
  int overlapped = 0;
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    Outcome outcome = RunOnce({sim::Scheduling::Seeded, seed});
    // A worker unwound before its first turn never builds the object.
    EXPECT_TRUE(outcome.callsMade == 0 || outcome.callsMade == kCallsInDestructor)
        << "seed " << seed << ": " << outcome.callsMade << " calls";
    overlapped += outcome.overlapped ? 1 : 0;
  }
  EXPECT_GT(overlapped, 0) << "no seed ended the process during the destructor";
}

TEST_F(ProcessEndDestructorTest, FreeRunningLetsTheDestructorFinish) {
  for (int round = 0; round < 40; ++round) {
    Outcome outcome = RunOnce({sim::Scheduling::FreeRunning});
    EXPECT_TRUE(outcome.callsMade == 0 || outcome.callsMade == kCallsInDestructor)
        << "round " << round << ": " << outcome.callsMade << " calls";
  }
}

}  // namespace
}  // namespace sim_test
