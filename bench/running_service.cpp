#include "running_service.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "service/service_name.h"
#include "service_program.h"
#include "sim/audio.h"
#include "sim/devices.h"
#include "sim/machine.h"
#include "sim/registry.h"
#include "sim/services.h"

namespace {

constexpr char SETTINGS_KEY[] = "HKEY_CLASSES_ROOT\\KoruAudio";
constexpr int ROUNDS = 4;

}  // namespace

void NewMeasuredMachine(DWORD features) {
  sim::Options options;
  options.scheduling = sim::Scheduling::FreeRunning;
  options.realTime = true;
  sim::Reset(options);
  sim::RunProgram(koru::ServiceProgram(), {L"install"});
  sim::registry::SetDword(SETTINGS_KEY, "ServiceVersion", features);
  // Different volumes per output, under the volume limit: every jack event
  // changes the endpoint and starts no volume-limit popup.
  sim::registry::SetDword(SETTINGS_KEY, "SpeakerVolume", 20);
  sim::registry::SetDword(SETTINGS_KEY, "HeadphoneVolume", 10);
  sim::codec::Present();
  sim::audio::EndpointSpec speakers;
  speakers.makeDefault = true;
  sim::audio::AddEndpoint("speakers", speakers);
}

bool StartMeasuredService() {
  if (sim::services::Start(SERVICE_NAME, koru::ServiceProgram()) != ERROR_SUCCESS) return false;
  sim::Settle();
  return sim::services::CurrentState() == SERVICE_RUNNING;
}

void EndMeasuredMachine() {
  sim::SetRecording(true);
  sim::services::Control(SERVICE_CONTROL_STOP);
  sim::Settle();
  sim::Reset();
}

void StartFloorProcess(std::function<void()> thread) {
  NewMeasuredMachine();
  sim::StartProgram(koru::ServiceProgram());
  sim::StartThread(std::move(thread));
  sim::Settle();
  sim::SetRecording(false);
}

void EndFloorProcess() {
  sim::SetRecording(true);
  sim::EndProgram();
  sim::Reset();
}

double NanosecondsBetween(std::chrono::steady_clock::time_point start,
                          std::chrono::steady_clock::time_point end) {
  return static_cast<double>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count());
}

double Latencies::Percentile(double fraction) {
  if (samples_.empty()) return 0;
  auto rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(samples_.size())));
  size_t index = rank == 0 ? 0 : rank - 1;
  std::nth_element(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(index),
                   samples_.end());
  return samples_[index];
}

void Latencies::Report(benchmark::State& state, const char* prefix) {
  const std::string name(prefix);
  state.counters[name + "p50_ns"] = Percentile(0.50);
  state.counters[name + "p99_ns"] = Percentile(0.99);
}

namespace {

bool ServiceRound(const FloorAndService& measure, Latencies& service) {
  NewMeasuredMachine();
  if (!StartMeasuredService()) return false;
  sim::SetRecording(false);
  bool effective = true;
  for (int index = 0; index < measure.perRound; ++index) {
    const double sample = measure.serviceSample(index);
    effective = effective && sample >= 0;
    service.Add(sample);
  }
  EndMeasuredMachine();
  return effective;
}

}  // namespace

void MeasureAgainstFloor(benchmark::State& state, const FloorAndService& measure) {
  Latencies floor(static_cast<size_t>(ROUNDS * measure.perRound));
  Latencies service(static_cast<size_t>(ROUNDS * measure.perRound));
  for (auto _ : state) {
    for (int round = 0; round < ROUNDS; ++round) {
      measure.floorRound(floor);
      if (!ServiceRound(measure, service)) state.SkipWithError(measure.failure);
    }
  }
  service.Report(state, "");
  floor.Report(state, "floor_");
  state.counters["p50_x_floor"] = service.Percentile(0.50) / floor.Percentile(0.50);
  state.counters["p99_x_floor"] = service.Percentile(0.99) / floor.Percentile(0.99);
}
