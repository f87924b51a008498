// The connected service left alone for ten seconds of wall-clock time: how
// often one of the machine's threads came back from a blocking wait, and
// how many simulated calls were made meanwhile.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <thread>

#include "kernel.h"
#include "running_service.h"
#include "scheduler_state.h"
#include "sim/machine.h"

namespace {

constexpr auto IDLE = std::chrono::seconds(10);

// Every time a simulated thread parks in a wait the scheduler numbers the
// wait; a thread that came back from a wait and waits again adds one.
uint64_t WaitsSoFar() {
  auto lock = sim::Lock();
  return sim::S().blockCounter;
}

uint64_t CallsSoFar() {
  uint64_t calls = 0;
  for (const auto& [name, count] : sim::CallCounts()) calls += count;
  return calls;
}

void BM_IdleWakeUps(benchmark::State& state) {
  for (auto _ : state) {
    NewMeasuredMachine();
    if (!StartMeasuredService()) state.SkipWithError("the service did not start");
    const int threads = sim::LiveThreads();
    const uint64_t waits = WaitsSoFar();
    const uint64_t calls = CallsSoFar();
    std::this_thread::sleep_for(IDLE);
    sim::Settle();
    state.counters["wake_ups"] = static_cast<double>(WaitsSoFar() - waits);
    state.counters["simulated_calls"] = static_cast<double>(CallsSoFar() - calls);
    state.counters["service_threads"] = threads;
    if (sim::LiveThreads() != threads) state.SkipWithError("a service thread ended while idle");
    EndMeasuredMachine();
  }
}
BENCHMARK(BM_IdleWakeUps)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
