// The cost of one trace line, wide and narrow: nanoseconds and heap
// allocations per line with the machine's recorders off, and one
// OutputDebugStringW of the same finished line as the floor.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "diagnostics/trace.h"
#include "platform/win32.h"
#include "service_program.h"
#include "sim/machine.h"

// ---- counting every heap allocation of the binary ------------------------------

namespace {

std::atomic<std::uint64_t> heapAllocations{0};

void* CountedAllocation(std::size_t size) {
  heapAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}

void* CountedAlignedAllocation(std::size_t size, std::align_val_t alignment) {
  heapAllocations.fetch_add(1, std::memory_order_relaxed);
  std::size_t align = static_cast<std::size_t>(alignment);
  return std::aligned_alloc(align, (size + align - 1) / align * align);
}

}  // namespace

void* operator new(std::size_t size) {
  if (void* memory = CountedAllocation(size)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return CountedAllocation(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return CountedAllocation(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  if (void* memory = CountedAlignedAllocation(size, alignment)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return operator new(size, alignment);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }

namespace {

// A service process in fixture mode whose lines go nowhere: the recorders
// are off, so the measure is the service's own work and the machine's
// call entry.
class QuietServiceProcess {
 public:
  QuietServiceProcess() {
    sim::Reset();
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
  QuietServiceProcess process;
  const std::uint64_t before = heapAllocations.load();
  for (auto _ : state) line();
  const std::uint64_t allocations = heapAllocations.load() - before;
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
