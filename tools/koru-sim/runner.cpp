// The run of a scenario: validate the file, set the machine up, play the
// steps, report.
#include "runner.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "report.h"
#include "script.h"
#include "sim/machine.h"
#include "sim/registry.h"

namespace koru::scn {
namespace {

sim::Options MachineOptions(const RunOptions& options) {
  sim::Options machine;
  if (options.seed) {
    machine.scheduling = sim::Scheduling::Seeded;
    machine.seed = *options.seed;
  }
  if (options.realTime) {
    machine.scheduling = sim::Scheduling::FreeRunning;
    machine.realTime = true;
  }
  if (options.freeRunning) machine.scheduling = sim::Scheduling::FreeRunning;
  return machine;
}

std::string StateFile(const std::string& dir) {
  return (std::filesystem::path(dir) / "registry.txt").string();
}

// The registry of an earlier run, when there is one. False when the folder
// cannot be made or the file cannot be read.
bool LoadState(const std::string& dir, std::ostream& err) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) {
    err << "koru-sim: cannot create " << dir << ": " << error.message() << "\n";
    return false;
  }
  std::string file = StateFile(dir);
  if (!std::filesystem::exists(file)) return true;
  if (sim::registry::Load(file)) return true;
  err << "koru-sim: " << file << " is not a saved registry\n";
  return false;
}

void PlayStep(const Step& step, Scenario& scenario, Report& report) {
  if (step.compiled.check) {
    report.Record(step, step.compiled.check(scenario));
    return;
  }
  step.compiled.act(scenario);
  for (std::string& failure : scenario.TakeStepFailures()) {
    report.Record(step, Failed(std::move(failure)));
  }
  if (!step.compiled.happens) return;
  if (step.background) {
    sim::RunReady();
  } else {
    sim::Settle();
  }
}

// The end of the run: a service process still alive ends as it would at
// shutdown, so that its threads are unwound and its audits taken.
void EndRun(const RunOptions& options, Report& report) {
  if (sim::ProgramAlive()) sim::EndProgram();
  for (const std::string& problem : sim::Problems()) report.MachineProblem(problem);
  if (options.stateDir && !sim::registry::Save(StateFile(*options.stateDir))) {
    report.MachineProblem("cannot save the registry to " + StateFile(*options.stateDir));
  }
}

}  // namespace

int RunScenario(std::string_view text, const std::string& name, const RunOptions& options,
                std::ostream& out, std::ostream& err) {
  Script script = ParseScript(text);
  for (const FileProblem& problem : script.problems) {
    err << name << ":" << problem.line << ": " << problem.message << "\n";
  }
  if (!script.problems.empty()) return kFileWrong;

  sim::Reset(MachineOptions(options));
  sim::EchoDebugOutput(options.trace);
  if (options.stateDir && !LoadState(*options.stateDir, err)) return kFileWrong;

  Scenario scenario;
  scenario.Checkpoint();
  Report report(name, out, options.trace);
  for (const Step& step : script.steps) PlayStep(step, scenario, report);
  EndRun(options, report);
  return report.Finish();
}

int RunScenarioFile(const std::string& path, const RunOptions& options, std::ostream& out,
                    std::ostream& err) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    err << "koru-sim: cannot read " << path << "\n";
    return kFileWrong;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return RunScenario(text.str(), path, options, out, err);
}

}  // namespace koru::scn
