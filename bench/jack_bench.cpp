// Jack events against the running service: the time from the driver's jack
// event to the finish request it receives for it, next to the same two
// driver hand-offs made by a thread that does nothing between them; and a
// storm of alternating events, with the heap before and after.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>

#include "call_watch.h"
#include "heap_counter.h"
#include "platform/win32.h"
#include "running_service.h"
#include "sim/devices.h"
#include "sim/machine.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int ROUND_EVENTS = 500;
constexpr int STORM_BATCH = 10000;
constexpr int STORM_BATCHES = 10;

// One jack event while the machine is quiet: the time until the first
// DeviceIoControl call that follows it, or a negative value when none did.
double EventToNextRequest(uint8_t type) {
  sim::WatchCall("DeviceIoControl");
  const Clock::time_point start = Clock::now();
  sim::codec::Jack(type);
  sim::Settle();
  const sim::WatchedCalls calls = sim::Watched();
  return calls.count == 0 ? -1 : NanosecondsBetween(start, calls.first);
}

// The floor: a thread of its own asks the driver for the jack state and
// acknowledges each answer at once.
void HandOffsWithoutWork() {
  HANDLE device = CreateFileW(sim::codec::DEFAULT_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  for (;;) {
    BYTE type = 0;
    BYTE finish = 0;
    DWORD bytes = 0;
    if (!DeviceIoControl(device, sim::codec::JACKSTATE_NOTIFY, nullptr, 0, &type, 1, &bytes,
                         nullptr)) {
      break;
    }
    DeviceIoControl(device, sim::codec::FINISH_HEADPHONE, &finish, 1, nullptr, 0, &bytes, nullptr);
  }
  CloseHandle(device);
}

void FloorRound(Latencies& floor) {
  StartFloorProcess(&HandOffsWithoutWork);
  for (int event = 0; event < ROUND_EVENTS; ++event) {
    floor.Add(EventToNextRequest(static_cast<uint8_t>(event % 2)));
  }
  EndFloorProcess();
}

// Speaker and headphone by turns, so that each event is handled (the
// start-up query has reported the speaker).
double ServiceSample(int event) { return EventToNextRequest(static_cast<uint8_t>(1 - event % 2)); }

void BM_JackEventToFinishRequest(benchmark::State& state) {
  MeasureAgainstFloor(
      state, {&FloorRound, &ServiceSample, ROUND_EVENTS, "a jack event got no finish request"});
}
BENCHMARK(BM_JackEventToFinishRequest)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Queues a batch of alternating events and waits until the service has
// absorbed them all; returns the seconds it took.
double StormBatch() {
  const Clock::time_point start = Clock::now();
  for (int event = 0; event < STORM_BATCH; ++event) {
    sim::codec::Jack(static_cast<uint8_t>(1 - event % 2));
  }
  sim::Settle();
  return NanosecondsBetween(start, Clock::now()) / 1e9;
}

void BM_JackStorm(benchmark::State& state) {
  for (auto _ : state) {
    NewMeasuredMachine();
    if (!StartMeasuredService()) state.SkipWithError("the service did not start");
    sim::SetRecording(false);
    double seconds = 0;
    int64_t liveAfterFirst = 0;
    int64_t residentAfterFirst = 0;
    for (int batch = 0; batch < STORM_BATCHES; ++batch) {
      seconds += StormBatch();
      if (batch != 0) continue;
      liveAfterFirst = HeapBytesLive();
      residentAfterFirst = ResidentKib();
    }
    const int64_t liveAfterLast = HeapBytesLive();
    if (sim::codec::QueuedJackEvents() != 0) state.SkipWithError("events were left unread");
    state.counters["events_per_s"] = STORM_BATCH * STORM_BATCHES / seconds;
    state.counters["heap_live_10k_bytes"] = static_cast<double>(liveAfterFirst);
    state.counters["heap_live_100k_bytes"] = static_cast<double>(liveAfterLast);
    state.counters["heap_growth_per_event_bytes"] =
        static_cast<double>(liveAfterLast - liveAfterFirst) / (STORM_BATCH * (STORM_BATCHES - 1));
    state.counters["rss_10k_kib"] = static_cast<double>(residentAfterFirst);
    state.counters["rss_100k_kib"] = static_cast<double>(ResidentKib());
    EndMeasuredMachine();
  }
}
BENCHMARK(BM_JackStorm)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
