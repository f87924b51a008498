// The cost of one trace line, wide and narrow: nanoseconds and heap
// allocations per line with the machine's recorders off, and one
// OutputDebugStringW of the same finished line as the floor.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "diagnostics/trace.h"
#include "heap_counter.h"
#include "platform/win32.h"
#include "service_program.h"
#include "sim/machine.h"

namespace {

// A service process in fixture mode on a free-running, real-time machine,
// whose lines go nowhere: the recorders are off, so the measure is the
// service's own work and the machine's call entry.
class QuietServiceProcess {
 public:
  QuietServiceProcess() {
    sim::Options options;
    options.scheduling = sim::Scheduling::FreeRunning;
    options.realTime = true;
    sim::Reset(options);
    sim::StartProgram(koru::ServiceProgram());
    sim::SetRecording(false);
  }
  ~QuietServiceProcess() {
    sim::SetRecording(true);
    sim::EndProgram();
  }
  QuietServiceProcess(const QuietServiceProcess&) = delete;
  QuietServiceProcess& operator=(const QuietServiceProcess&) = delete;
};

// Runs the measured loop and reports heap allocations per line; a line
// that allocates at all fails the benchmark.
template <typename Line>
void MeasureLines(benchmark::State& state, Line line) {
  const std::uint64_t atStart = HeapAllocations();
  QuietServiceProcess process;
  // Starting a process allocates; if that was not seen, a zero below would
  // mean nothing.
  if (HeapAllocations() == atStart) {
    state.SkipWithError("the heap allocation counter does not count");
  }
  // The lines are written on a thread of the service process, as the
  // service writes them: each simulated call is a scheduling point there.
  // The thread's first line may set up its thread-local storage.
  std::uint64_t allocations = 0;
  sim::StartThread([&state, &line, &allocations] {
    line();
    const std::uint64_t before = HeapAllocations();
    for (auto _ : state) line();
    allocations = HeapAllocations() - before;
  });
  sim::Settle();
  state.counters["heap_allocs_per_line"] =
      benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
  if (allocations != 0) state.SkipWithError("a trace line allocated on the heap");
}

void BM_WriteTrace(benchmark::State& state) {
  MeasureLines(state, [] {
    WriteTrace(L"DeviceConnector: type: %d, volumeScalar: %d, muteState: %d", 1, 17, 0);
  });
}
BENCHMARK(BM_WriteTrace);

void BM_WriteTraceA(benchmark::State& state) {
  MeasureLines(
      state, [] { WriteTraceA("Get Registry value %s:%d, type is %d", "HeadphoneVolume", 17, 1); });
}
BENCHMARK(BM_WriteTraceA);

// The floor: what the debugger output costs for the line WriteTrace builds.
void BM_OutputDebugStringFloor(benchmark::State& state) {
  const wchar_t* line =
      L"12:00:00.000 [1000] KoruAudioService DeviceConnector: type: 1, volumeScalar: 17, "
      L"muteState: 0\n";
  MeasureLines(state, [line] { OutputDebugStringW(line); });
}
BENCHMARK(BM_OutputDebugStringFloor);

}  // namespace
