// Handles to other processes (as the machine's own programs create them):
// TerminateProcess with and without threads to unwind.
#include "kernel_fixture.h"
#include "process.h"

namespace sim_test {
namespace {

using ProcessHandleTest = MachineTest;

// A process of another program, owned by the live service process's
// handle table, as a launcher would create it.
HANDLE OpenOtherProcess(std::shared_ptr<sim::Process>* out = nullptr) {
  auto lock = sim::Lock();
  auto process = sim::NewProcess(sim::AllocateProcessId(false), L"C:\\Other.exe", false);
  if (out != nullptr) *out = process;
  return sim::AddHandle(process);
}

TEST_F(ProcessHandleTest, TerminateEndsAProcessWithoutThreads) {
  StartProcess();
  HANDLE process = OpenOtherProcess();
  DWORD code = kPoison;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_TRUE(TerminateProcess(process, 4));
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 4u);
  EXPECT_EQ(WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  SetLastError(kPoison);
  EXPECT_FALSE(TerminateProcess(process, 5));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(CloseHandle(process));
}

TEST_F(ProcessHandleTest, TerminateUnwindsTheProcessesThreads) {
  StartProcess();
  std::shared_ptr<sim::Process> other;
  HANDLE process = OpenOtherProcess(&other);
  DWORD pidSeen = 0;
  sim::StartThreadIn(other, [&]() -> DWORD {
    pidSeen = GetCurrentProcessId();
    Sleep(INFINITE);
    return 0;
  });
  DWORD waited = kPoison;
  sim::StartThread([&] { waited = WaitForSingleObject(process, INFINITE); });
  sim::Settle();
  EXPECT_EQ(pidSeen, other->pid);
  EXPECT_NE(pidSeen, GetCurrentProcessId()) << "not the service's id";
  EXPECT_EQ(waited, kPoison);
  EXPECT_TRUE(TerminateProcess(process, 9));
  sim::Settle();
  EXPECT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = kPoison;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 9u);
  EXPECT_EQ(sim::LiveThreads(), 1) << "the other process's thread was not the service's";
}

}  // namespace
}  // namespace sim_test
