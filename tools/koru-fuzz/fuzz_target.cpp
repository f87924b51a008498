// The fuzz target: the input's bytes are the decisions of a storm (the same
// events koru-storm plays, see tools/koru-storm/events.h), played on the
// service with the same invariants checked after every step. A broken
// invariant prints the steps as a scenario and aborts, so that the fuzzer
// keeps the input. With KORU_FUZZ_SCENARIO=FILE the scenario also goes to
// FILE, for scenarios/ once the defect is fixed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "storm.h"

namespace {

// Inputs hold few events: each one is a settle of the whole machine.
constexpr size_t kMostEvents = 200;

void WriteScenario(const std::string& steps) {
  const char* file = std::getenv("KORU_FUZZ_SCENARIO");
  if (file == nullptr) return;
  std::ofstream(file) << steps;
}

// The steps of the input being played, for a hang or a spin that the
// machine reports from one of its threads.
const std::ostringstream* playing = nullptr;

void ReportMachineFailure(const std::string& report) {
  if (playing == nullptr) return;
  std::string steps = playing->str() + koru::storm::StepBeingPlayed() + "\n";
  std::cerr << "koru-fuzz: the machine reported: " << report
            << "\n  during the last of these steps:\n"
            << steps;
  WriteScenario(steps);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte seeds the order of the simulated threads.
  sim::Options machine;
  machine.scheduling = sim::Scheduling::Seeded;
  machine.seed = data[0];
  machine.onFatalReport = ReportMachineFailure;
  koru::storm::ByteChoices choices(data + 1, size - 1);
  std::ostringstream steps;
  playing = &steps;
  koru::storm::StormResult result = koru::storm::RunStorm(choices, kMostEvents, machine, steps);
  playing = nullptr;
  if (!result.violation) return 0;
  std::cerr << "koru-fuzz: broken after step \"" << result.failingStep
            << "\"\n  invariant: " << result.violation->invariant
            << "\n  seen: " << result.violation->seen << "\n  replay the scenario below with "
            << koru::storm::ReplayCommand("FILE.scn", machine) << ":\n"
            << steps.str();
  WriteScenario(steps.str());
  std::abort();
}
