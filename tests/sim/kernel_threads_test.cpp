// Simulated threads: creation, exit codes, thread handles as waitable
// objects, and TerminateThread through the unwinding path.
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

DWORD WINAPI WaitAtGate(LPVOID) {
  WaitForSingleObject(gGate, INFINITE);
  return 17;
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

TEST_F(ThreadTest, ExitCodeIsStillActiveUntilTheRoutineReturns) {
  StartProcess();
  gGate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD id = kPoison;
  HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, nullptr, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, kPoison);
  sim::Settle();
  DWORD code = kPoison;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(gGate);
  sim::Settle();
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 17u);
  EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(CloseHandle(thread));
}

TEST_F(ThreadTest, ThreadHandleWakesAWaiterWhenTheThreadEnds) {
  StartProcess();
  DWORD seen = kPoison;
  sim::StartThread([&] {
    HANDLE thread =
        CreateThread(nullptr, 0, ReturnParameter, reinterpret_cast<LPVOID>(99), 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    GetExitCodeThread(thread, &seen);
    CloseHandle(thread);
  });
  sim::Settle();
  EXPECT_EQ(seen, 99u);
  EXPECT_TRUE(sim::OpenHandles().empty());
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

TEST_F(ThreadTest, ThreadIdsAreDistinctAndMatchCreateThread) {
  StartProcess();
  DWORD seen[2] = {0, 0};
  DWORD created[2] = {0, 0};
  sim::StartThread([&] { seen[0] = GetCurrentThreadId(); });
  sim::StartThread([&] { seen[1] = GetCurrentThreadId(); });
  sim::Settle();
  EXPECT_NE(seen[0], seen[1]);
  EXPECT_NE(seen[0], GetCurrentThreadId()) << "the controller has an id of its own";
  HANDLE a = CreateThread(nullptr, 0, ReturnParameter, nullptr, 0, &created[0]);
  HANDLE b = CreateThread(nullptr, 0, ReturnParameter, nullptr, 0, &created[1]);
  EXPECT_NE(created[0], created[1]);
  sim::Settle();
  CloseHandle(a);
  CloseHandle(b);
}

TEST_F(ThreadTest, SuspendedCreationIsRefused) {
  StartProcess();
  DWORD id = kPoison;
  SetLastError(kPoison);
  EXPECT_EQ(CreateThread(nullptr, 0, ReturnParameter, nullptr, CREATE_SUSPENDED, &id), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(id, kPoison);
}

TEST_F(ThreadTest, CurrentThreadPseudoHandleReportsStillActive) {
  StartProcess();
  DWORD code = kPoison;
  sim::StartThread([&] { GetExitCodeThread(GetCurrentThread(), &code); });
  sim::Settle();
  EXPECT_EQ(code, STILL_ACTIVE);
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
