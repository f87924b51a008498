// Playing a storm step by step and checking it after each step.
#include "storm.h"

#include <stdexcept>

#include "events.h"
#include "scenario.h"
#include "script.h"

namespace koru::storm {
namespace {

struct Played {
  std::string recorded;  // the step as the scenario file holds it
  bool settled = false;  // the machine ran until quiet and time moved on
  std::optional<Violation> violation;
};

// "control X" that the manager refused becomes "control X refused", so that
// the recorded scenario holds as the storm saw it.
std::string Refused(const std::string& line) {
  std::string ahead = " &";
  if (line.ends_with(ahead)) return line.substr(0, line.size() - ahead.size()) + " refused" + ahead;
  return line + " refused";
}

Played PlayStep(const std::string& line, scn::Scenario& scenario) {
  scn::Script script = scn::ParseScript(line);
  if (!script.problems.empty() || script.steps.size() != 1) {
    throw std::logic_error("the storm wrote a step that is not one valid step: " + line);
  }
  const scn::Step& step = script.steps.front();
  Played played;
  played.recorded = line;
  step.compiled.act(scenario);
  for (const std::string& failure : scenario.TakeStepFailures()) {
    if (line.starts_with("control ") && failure.starts_with("refused")) {
      played.recorded = Refused(line);
      continue;
    }
    played.violation = Violation{"every step does what it says", failure, ""};
  }
  if (!step.compiled.happens) return played;
  if (step.background) {
    sim::RunReady();
  } else {
    sim::Settle();
    played.settled = true;
  }
  return played;
}

void RecordViolation(const Violation& violation, std::ostream& record) {
  record << "# broken: " << violation.invariant << "\n";
  if (!violation.expectation.empty()) record << violation.expectation << "\n";
  record.flush();
}

std::string stepBeingPlayed;

class Storm {
 public:
  explicit Storm(std::ostream& record) : record_(record) {}

  // Plays one step; false when an invariant broke.
  bool Step(const std::string& line) {
    stepBeingPlayed = line;
    Played played = PlayStep(line, scenario_);
    record_ << played.recorded << "\n";
    record_.flush();
    if (!played.violation) played.violation = invariants_.Broken(played.settled);
    if (!played.violation) return true;
    result_.violation = played.violation;
    result_.failingStep = played.recorded;
    RecordViolation(*played.violation, record_);
    return false;
  }

  // The end of the run, as koru-sim ends a scenario.
  void End() {
    if (sim::ProgramAlive()) sim::EndProgram();
    result_.violation = invariants_.Broken(false);
    if (!result_.violation) return;
    result_.failingStep = "(the end of the run: the service process ended)";
    record_ << "# then, at the end of the run, the service process ends\n";
    RecordViolation(*result_.violation, record_);
  }

  StormResult& result() { return result_; }

 private:
  std::ostream& record_;
  scn::Scenario scenario_;
  Invariants invariants_;
  StormResult result_;
};

}  // namespace

const std::string& StepBeingPlayed() { return stepBeingPlayed; }

StormResult RunStorm(Choices& choices, size_t events, const sim::Options& machine,
                     std::ostream& record) {
  sim::Reset(machine);
  Storm storm(record);
  EventSource source;
  storm.result().eventsPlayed = 0;
  for (const std::string& line : source.SetUpSteps(choices)) {
    if (!storm.Step(line)) return storm.result();
  }
  while (storm.result().eventsPlayed < events && !choices.Exhausted()) {
    ++storm.result().eventsPlayed;
    if (!storm.Step(source.Next(choices))) return storm.result();
  }
  storm.End();
  return storm.result();
}

std::string ReplayCommand(const std::string& file, const sim::Options& machine) {
  std::string command = "koru-sim run " + file;
  if (machine.scheduling == sim::Scheduling::FreeRunning) return command + " --free";
  if (machine.scheduling == sim::Scheduling::Seeded) {
    return command + " --seed " + std::to_string(machine.seed);
  }
  return command;
}

}  // namespace koru::storm
