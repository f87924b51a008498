// The service's start: from the service control manager's start to the
// service's report of RUNNING, on a machine with the codec and the speakers.
#include <benchmark/benchmark.h>

#include <chrono>

#include "call_watch.h"
#include "platform/win32.h"
#include "running_service.h"
#include "service/service_name.h"
#include "service_program.h"
#include "sim/machine.h"
#include "sim/services.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int STARTS = 30;

void BM_ProcessStartToRunning(benchmark::State& state) {
  Latencies starts(STARTS);
  for (auto _ : state) {
    state.PauseTiming();
    NewMeasuredMachine();
    sim::SetRecording(false);
    sim::WatchCall("SetServiceStatus");
    state.ResumeTiming();
    const Clock::time_point start = Clock::now();
    sim::services::Start(SERVICE_NAME, koru::ServiceProgram());
    sim::Settle();
    state.PauseTiming();
    // RUNNING is the last report of a start that went well.
    const sim::WatchedCalls reports = sim::Watched();
    if (sim::services::CurrentState() != SERVICE_RUNNING) state.SkipWithError("not RUNNING");
    starts.Add(NanosecondsBetween(start, reports.last));
    EndMeasuredMachine();
    state.ResumeTiming();
  }
  starts.Report(state, "");
}
BENCHMARK(BM_ProcessStartToRunning)
    ->Iterations(STARTS)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
