// koru-storm: plays a seeded storm of events on the service and checks the
// invariants after every step.
//
//   koru-storm --seed N --steps M [--free] [--out FILE]
//
// The seed picks the events and, unless --free lets the threads run in
// parallel, the order of the simulated threads. The steps are written to a
// scenario file as they are played; a broken invariant (or a machine that
// aborts) leaves it behind with the command that replays it.
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "storm.h"

namespace {

constexpr char kUsage[] = "usage: koru-storm --seed N --steps M [--free] [--out FILE]\n";

struct StormCommand {
  uint64_t seed = 0;
  uint64_t steps = 0;
  bool free = false;
  std::optional<std::string> out;
};

bool ParseCount(const std::string& text, uint64_t* value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

std::optional<StormCommand> Parse(const std::vector<std::string>& args) {
  StormCommand command;
  bool seed = false;
  bool steps = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--free") {
      command.free = true;
      continue;
    }
    if (i + 1 >= args.size()) return std::nullopt;
    const std::string& value = args[++i];
    if (args[i - 1] == "--out") {
      command.out = value;
    } else if (args[i - 1] == "--seed") {
      seed = ParseCount(value, &command.seed);
      if (!seed) return std::nullopt;
    } else if (args[i - 1] == "--steps") {
      steps = ParseCount(value, &command.steps);
      if (!steps) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (!seed || !steps) return std::nullopt;
  return command;
}

sim::Options MachineOptions(const StormCommand& command) {
  sim::Options machine;
  machine.scheduling = command.free ? sim::Scheduling::FreeRunning : sim::Scheduling::Seeded;
  machine.seed = command.seed;
  return machine;
}

std::string OutFile(const StormCommand& command) {
  return command.out.value_or("koru-storm-seed" + std::to_string(command.seed) + ".scn");
}

std::string Label(const StormCommand& command) {
  return "koru-storm: seed " + std::to_string(command.seed) + (command.free ? " (free)" : "");
}

int Report(const StormCommand& command, const koru::storm::StormResult& result, double seconds) {
  const std::string file = OutFile(command);
  if (!result.violation) {
    std::cout << Label(command) << ": " << result.eventsPlayed << " events in " << seconds << " s ("
              << static_cast<uint64_t>(result.eventsPlayed / seconds)
              << " steps/s), every invariant held\n";
    if (!command.out) std::filesystem::remove(file);
    return 0;
  }
  std::cout << Label(command) << ": broken after event " << result.eventsPlayed << ", step \""
            << result.failingStep << "\"\n  invariant: " << result.violation->invariant
            << "\n  seen: " << result.violation->seen << "\n  steps so far: " << file
            << "\n  replay: " << koru::storm::ReplayCommand(file, MachineOptions(command)) << "\n";
  return 1;
}

int RunStorm(const StormCommand& command) {
  const std::string file = OutFile(command);
  std::ofstream record(file);
  if (!record) {
    std::cerr << "koru-storm: cannot write " << file << "\n";
    return 2;
  }
  sim::Options machine = MachineOptions(command);
  record << "# A storm: seed " << command.seed << ", " << command.steps << " events"
         << (command.free ? ", threads free-running" : ", threads in the seed's order") << ".\n"
         << "# Replay: " << koru::storm::ReplayCommand(file, machine) << "\n";
  koru::storm::SeededChoices choices(command.seed);
  auto start = std::chrono::steady_clock::now();
  koru::storm::StormResult result = koru::storm::RunStorm(choices, command.steps, machine, record);
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  record.close();
  return Report(command, result, elapsed.count());
}

// The last step written before the machine aborted the run.
std::string LastStep(const std::string& file) {
  std::ifstream record(file);
  std::string line;
  std::string last;
  while (std::getline(record, line)) {
    if (!line.empty() && line[0] != '#') last = line;
  }
  return last;
}

// The storm runs in a child process, so that a machine that aborts (a hung
// or spinning thread, std::terminate) still gets its failing step reported.
int Supervise(const StormCommand& command) {
  std::cout.flush();
  pid_t child = fork();
  if (child < 0) return RunStorm(command);
  if (child == 0) {
    int status = RunStorm(command);
    std::cout.flush();
    _exit(status);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) return 2;
  if (WIFEXITED(status) && WEXITSTATUS(status) <= 2) return WEXITSTATUS(status);
  const std::string file = OutFile(command);
  std::cout << Label(command) << ": the run ended abnormally ("
            << (WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                    : "exit status " + std::to_string(WEXITSTATUS(status)))
            << ") at step \"" << LastStep(file) << "\"\n  steps so far: " << file
            << "\n  replay: " << koru::storm::ReplayCommand(file, MachineOptions(command)) << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<StormCommand> command = Parse(std::vector<std::string>(argv + 1, argv + argc));
  if (!command) {
    std::cerr << kUsage;
    return 2;
  }
  return Supervise(*command);
}
