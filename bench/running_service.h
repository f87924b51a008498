// The service as the benchmarks run it: installed and started on a machine
// whose threads run in parallel on the wall clock, the codec present and
// connected, the speakers the default output.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/win32.h"

// The feature word of the measured runs: the default without the audio
// switch window, so that a headphone event starts no popup.
inline constexpr DWORD MEASURED_FEATURES = 0xFB;

// A new free-running, real-time machine with the service installed and its
// settings written; the service is not started.
void NewMeasuredMachine(DWORD features = MEASURED_FEATURES);

// Starts the service and lets the machine settle: it runs, connected.
// False when it did not reach RUNNING.
bool StartMeasuredService();

// Stops the service and ends the machine's threads.
void EndMeasuredMachine();

// For a floor: a measured machine whose service process only runs `thread`
// (its entry point is not called), settled, with the recorders off.
void StartFloorProcess(std::function<void()> thread);
// Ends that process and the machine's threads.
void EndFloorProcess();

// Nanoseconds from `start` to `end`.
double NanosecondsBetween(std::chrono::steady_clock::time_point start,
                          std::chrono::steady_clock::time_point end);

// Per-event latencies, reported as counters p50_ns and p99_ns.
class Latencies {
 public:
  explicit Latencies(size_t expected) { samples_.reserve(expected); }
  void Add(double nanoseconds) { samples_.push_back(nanoseconds); }
  size_t Count() const { return samples_.size(); }
  // The value below which `fraction` of the samples lie (nearest rank).
  double Percentile(double fraction);
  void Report(benchmark::State& state, const char* prefix);

 private:
  std::vector<double> samples_;
};

// A latency measured for the service and for its floor, each on a machine
// of its own, in rounds of `perRound` samples; the service's rounds run on
// a measured machine with the service started and the recorders off.
struct FloorAndService {
  void (*floorRound)(Latencies& floor);
  // One sample against the running service; negative when the event did
  // not have its effect.
  double (*serviceSample)(int index);
  int perRound;
  const char* failure;
};

// Rounds of the floor and of the service by turns, so that both see the
// same load of the machine they run on; reports the service's p50 and p99,
// the floor's, and each as a multiple of the floor's.
void MeasureAgainstFloor(benchmark::State& state, const FloorAndService& measure);
