// Simulated threads: refused creation flags, TerminateThread through the
// unwinding path, and the machine's own threads.
#include "kernel.h"
#include "kernel_fixture.h"

namespace sim_test {
namespace {

using ThreadTest = MachineTest;

HANDLE gGate = nullptr;
bool gUnwound = false;

DWORD WINAPI ReturnParameter(LPVOID parameter) {
  return static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter));
}

struct MarkUnwound {
  MarkUnwound() = default;
  MarkUnwound(const MarkUnwound&) = delete;
  MarkUnwound& operator=(const MarkUnwound&) = delete;
  ~MarkUnwound() { gUnwound = true; }
};

DWORD WINAPI WaitAtGateMarked(LPVOID) {
  MarkUnwound mark;
  WaitForSingleObject(gGate, INFINITE);
  return 17;
}

TEST_F(ThreadTest, TerminateThreadUnwindsTheTarget) {
  StartProcess();
  gGate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  gUnwound = false;
  HANDLE thread = CreateThread(nullptr, 0, WaitAtGateMarked, nullptr, 0, nullptr);
  sim::Settle();
  EXPECT_EQ(sim::LiveThreads(), 2);
  EXPECT_TRUE(TerminateThread(thread, 5));
  sim::Settle();
  DWORD code = kPoison;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 5u);
  EXPECT_TRUE(gUnwound) << "the thread's stack unwound";
  EXPECT_EQ(sim::LiveThreads(), 1);
}

TEST_F(ThreadTest, SuspendedCreationIsRefused) {
  StartProcess();
  DWORD id = kPoison;
  SetLastError(kPoison);
  EXPECT_EQ(CreateThread(nullptr, 0, ReturnParameter, nullptr, CREATE_SUSPENDED, &id), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(id, kPoison);
}

}  // namespace
}  // namespace sim_test

namespace sim_test {
namespace {

using MachineThreadTest = MachineTest;

TEST_F(MachineThreadTest, MachineThreadsBelongToNoProcessAndEndAtReset) {
  StartProcess();
  HANDLE never = nullptr;
  DWORD pidSeen = kPoison;
  bool unwound = false;
  struct MarkOnExit {
    bool* flag;
    explicit MarkOnExit(bool* f) : flag(f) {}
    MarkOnExit(const MarkOnExit&) = delete;
    MarkOnExit& operator=(const MarkOnExit&) = delete;
    ~MarkOnExit() { *flag = true; }
  };
  sim::StartMachineThread([&] {
    MarkOnExit mark(&unwound);
    pidSeen = GetCurrentProcessId();
    never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    WaitForSingleObject(never, INFINITE);
  });
  sim::Settle();
  EXPECT_EQ(pidSeen, 0u);
  EXPECT_EQ(sim::LiveThreads(), 1) << "only the service's main thread counts";
  sim::EndProgram();
  EXPECT_FALSE(unwound) << "the machine's thread outlives the service process";
  sim::Reset();
  EXPECT_TRUE(unwound);
}

}  // namespace
}  // namespace sim_test
