// The control surface of the simulated machine: what tests and koru-sim use
// to set the machine up, run the service executable, make time pass and
// read the audits. The controller is not a simulated thread; it changes the
// machine only while no simulated thread runs (after Settle, RunReady or
// Advance), then lets it run again.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/win32/base.h"
#include "sim/win32/kernel.h"

namespace sim {

enum class Scheduling {
  Fixed,        // one thread at a time, in a fixed order (default)
  Seeded,       // one thread at a time, picked by a seeded random generator
  FreeRunning,  // threads run truly in parallel (ThreadSanitizer, benchmarks)
};

struct Options {
  Scheduling scheduling = Scheduling::Fixed;
  uint64_t seed = 0;
  // Timed waits and the clock follow the wall clock instead of the virtual one.
  bool realTime = false;
  // Real time a simulated thread may run without reaching a simulated call
  // before the machine reports it as hung.
  std::chrono::milliseconds hangTimeout{20000};
  // Virtual time that Settle may advance before it reports that the
  // machine does not settle (a timer that never stops re-arming).
  uint64_t settleLimitMs = 24ull * 3600 * 1000;
  // A hang or a spin ends the whole program: normally with exit status 3.
  // When set, this is called first (with the report), and the program then
  // ends with abort(), so that a fuzzer keeps the input that caused it.
  void (*onFatalReport)(const std::string& report) = nullptr;
};

// What the machine needs of the service executable: the routine that builds
// its process-wide objects (static initialisation on Windows), the wide
// entry point, and the routine that destroys the objects at process exit.
struct Program {
  void (*startUp)() = nullptr;
  int (*entry)(int argc, wchar_t** argv) = nullptr;
  void (*shutDown)() = nullptr;
};

// A new machine with the defaults of the scenario language: clock at
// 12:00:00.000, the executable at
// C:\Program Files\Koru Audio\KoruAudioService.exe, an empty registry, no
// faults, no records. A process still alive is ended first (its threads
// unwind and its shut-down routine runs), and so is every other thread.
void Reset(const Options& options = {});
const Options& CurrentOptions();

// ---- set-up ------------------------------------------------------------------

void SetLocalTime(int hour, int minute, int second, int millisecond);
void SetNextProcessId(DWORD pid);
void SetModulePath(const std::wstring& path);
std::wstring ModulePath();

struct FaultSpec {
  uint32_t skip = 0;              // succeed this many more times first
  uint32_t times = 1;             // then fail this many times ...
  bool always = false;            // ... or for good
  std::optional<uint32_t> error;  // the call's own default when absent
};
// Makes the simulated call named `api` fail as `desc` says.
void Fail(const std::string& api, const FaultSpec& desc);

// ---- running -------------------------------------------------------------------

// Starts the program from a console with these arguments (argv[0] is the
// module path) and settles the machine. Returns the process's exit code, or
// STILL_ACTIVE when the process is still alive once the machine has settled
// (its entry point blocks); it then lives on until EndProgram or Reset.
// Only one service process lives at a time: a live one is ended first, and
// that is recorded as a problem.
DWORD RunProgram(const Program& program, const std::vector<std::wstring>& args);

// Fixture mode: a service process whose start-up routine has run but whose
// entry point is never called. Tests start simulated threads in it, settle,
// and end it.
void StartProgram(const Program& program);
// A new simulated thread in the live service process; it runs when the
// machine runs. Returns the thread's id (0, and a recorded problem, when no
// service process lives).
DWORD StartThread(std::function<void()> routine);
// Ends the live process: its remaining threads are unwound, the program's
// shut-down routine runs, the audits are taken.
void EndProgram();
bool ProgramAlive();
// The exit code and id of the last service process.
DWORD LastExitCode();
DWORD LastProcessId();

// Runs until every simulated thread is blocked; while only timed waits
// remain, advances the virtual clock to the earliest deadline and goes on.
// Gives up, with a recorded problem, when more than Options::settleLimitMs
// of virtual time would pass.
void Settle();
// Runs until no thread is runnable at the current virtual time.
void RunReady();
// Runs while advancing the virtual clock by exactly `ms`: timed waits due
// within it (its end included) time out, later ones stay pending.
void Advance(uint64_t ms);

// ---- reading -----------------------------------------------------------------

uint64_t NowMs();
SYSTEMTIME LocalTime();

struct DebugLine {
  DWORD pid;
  std::wstring text;
};
const std::vector<DebugLine>& DebugOutput();
// Echo every debug-output line to stderr as it is written.
void EchoDebugOutput(bool on);

// The recorders (call log, debug output, event log) can be switched off, for
// measurements.
void SetRecording(bool on);

// How often each simulated call was made, by name.
std::map<std::string, uint64_t> CallCounts();

// Handle faults seen since Reset: double closes, uses after close, uses of
// another process's handle or of a handle of the wrong kind.
const std::vector<std::string>& HandleFaults();
// Open handles of the live (or last) service process, by kind name.
std::map<std::string, int> OpenHandles();
// Handles that were still open when the last service process ended, one
// line each ("Semaphore 0x..." and so on).
const std::vector<std::string>& HandlesOpenAtExit();
// Live threads that the service process created (its main thread included).
int LiveThreads();
// Live threads of the service process that CreateThread started at `routine`.
int LiveThreadsStartedAt(LPTHREAD_START_ROUTINE routine);
// Live threads of the service process that are not blocked in a wait: none
// once the machine has settled, unless one of them keeps running.
int BusyThreads();
// Machine-level problems: hangs, a machine that does not settle, waits on
// the controller, unexpected exceptions on simulated threads.
const std::vector<std::string>& Problems();

}  // namespace sim
