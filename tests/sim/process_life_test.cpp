// The life of the service process on the simulated machine: the audits
// taken when it ends, threads unwound, the exit sequence skipped by
// TerminateProcess, and the module path cut as Windows cuts it.
#include <string>
#include <vector>

#include "kernel_fixture.h"

namespace sim_test {
namespace {

// The programs below are plain functions, as the service's are; they report
// through these.
std::vector<std::string> gSteps;
bool gDestructorRan = false;

void RecordStartUp() { gSteps.push_back("startUp"); }
void RecordShutDown() { gSteps.push_back("shutDown"); }

int LeaveSemaphoreOpen(int, wchar_t**) {
  CreateSemaphoreW(nullptr, 0, 1, nullptr);
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(event);
  return 0;
}

int WaitForever(int, wchar_t**) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  WaitForSingleObject(event, INFINITE);
  gSteps.push_back("wait returned");
  return 1;
}

// Closes its event when the thread's stack unwinds.
class ScopedEvent {
 public:
  ScopedEvent() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ScopedEvent(const ScopedEvent&) = delete;
  ScopedEvent& operator=(const ScopedEvent&) = delete;
  ~ScopedEvent() { gDestructorRan = CloseHandle(handle_) != FALSE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

DWORD WINAPI BlockForeverHoldingAnEvent(LPVOID) {
  ScopedEvent event;
  WaitForSingleObject(event.get(), INFINITE);
  gSteps.push_back("worker wait returned");
  return 0;
}

int StartBlockedWorker(int, wchar_t**) {
  HANDLE thread = CreateThread(nullptr, 0, BlockForeverHoldingAnEvent, nullptr, 0, nullptr);
  Sleep(10);
  CloseHandle(thread);
  return 3;
}

class ProcessLifeTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    gSteps.clear();
    gDestructorRan = false;
  }
};

TEST_F(ProcessLifeTest, HandlesLeftOpenAreListedAtExit) {
  sim::RunProgram(sim::Program{nullptr, LeaveSemaphoreOpen, nullptr}, {});
  ASSERT_EQ(sim::HandlesOpenAtExit().size(), 1u);
  EXPECT_EQ(sim::HandlesOpenAtExit()[0].rfind("Semaphore 0x", 0), 0u)
      << sim::HandlesOpenAtExit()[0];
  EXPECT_TRUE(sim::OpenHandles().empty()) << "the process's handles were closed at exit";
  EXPECT_TRUE(sim::HandleFaults().empty());
}

TEST_F(ProcessLifeTest, ProcessEndUnwindsABlockedThreadAndRunsItsDestructors) {
  DWORD exitCode = sim::RunProgram(sim::Program{nullptr, StartBlockedWorker, nullptr}, {});
  EXPECT_EQ(exitCode, 3u);
  EXPECT_TRUE(gDestructorRan) << "the worker's RAII object closed its event";
  EXPECT_EQ(gSteps, std::vector<std::string>{}) << "the worker's wait never returned normally";
  EXPECT_TRUE(sim::HandleFaults().empty());
  EXPECT_TRUE(sim::HandlesOpenAtExit().empty());
  EXPECT_TRUE(sim::Problems().empty());
}

TEST_F(ProcessLifeTest, AnEntryThatBlocksLeavesTheProcessAlive) {
  DWORD exitCode = sim::RunProgram(sim::Program{RecordStartUp, WaitForever, RecordShutDown}, {});
  EXPECT_EQ(exitCode, STILL_ACTIVE);
  EXPECT_TRUE(sim::ProgramAlive());
  EXPECT_EQ(sim::LiveThreads(), 1);
  EXPECT_TRUE(sim::HandlesOpenAtExit().empty()) << "nothing is recorded while it lives";
  sim::EndProgram();
  EXPECT_FALSE(sim::ProgramAlive());
  EXPECT_EQ(gSteps, (std::vector<std::string>{"startUp", "shutDown"}));
  EXPECT_EQ(sim::HandlesOpenAtExit().size(), 1u) << "the entry's event was left open";
  EXPECT_EQ(sim::LastExitCode(), 0u);
}

TEST_F(ProcessLifeTest, TerminateProcessSkipsTheShutDownRoutine) {
  sim::StartProgram(sim::Program{RecordStartUp, nullptr, RecordShutDown});
  sim::StartThread([] {
    TerminateProcess(GetCurrentProcess(), 7);
    gSteps.push_back("after TerminateProcess");
  });
  sim::Settle();
  EXPECT_FALSE(sim::ProgramAlive());
  EXPECT_EQ(sim::LastExitCode(), 7u);
  EXPECT_EQ(gSteps, std::vector<std::string>{"startUp"});
}

using ModuleFileNameTest = MachineTest;

TEST_F(ModuleFileNameTest, TruncatesATooSmallBufferAsWindowsDoes) {
  sim::SetModulePath(L"C:\\Koru\\Service.exe");
  StartProcess();
  wchar_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  SetLastError(kPoison);
  EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 8), 8u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::wstring(buffer), L"C:\\Koru");
  // Exactly the length: no room for the terminator, so it is truncated too.
  wchar_t exact[19];
  SetLastError(kPoison);
  EXPECT_EQ(GetModuleFileNameW(nullptr, exact, 19), 19u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::wstring(exact), L"C:\\Koru\\Service.ex");
}

}  // namespace
}  // namespace sim_test
