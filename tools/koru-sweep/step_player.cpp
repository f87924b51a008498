// Plays steps the way koru-sim does: an action, then the machine settles
// (or only runs what is ready, for a step ending in "&"); an expectation is
// checked against the machine as it stands.
#include "step_player.h"

#include "sim/machine.h"

namespace koru::sweep {

StepPlayer::StepPlayer() { scenario_.Checkpoint(); }

void StepPlayer::Play(const scn::Step& step) {
  if (step.compiled.check) {
    scn::Outcome outcome = step.compiled.check(scenario_);
    if (!outcome.held) NoteFailure(step.text + " (saw " + outcome.seen + ")");
    return;
  }
  step.compiled.act(scenario_);
  for (std::string& failure : scenario_.TakeStepFailures()) {
    NoteFailure(step.text + " (" + failure + ")");
  }
  if (!step.compiled.happens) return;
  if (step.background) {
    sim::RunReady();
  } else {
    sim::Settle();
  }
}

bool StepPlayer::PlayText(std::string_view text) {
  scn::Script script = scn::ParseScript(text);
  for (const scn::FileProblem& problem : script.problems) {
    NoteFailure("probe line " + std::to_string(problem.line) + ": " + problem.message);
  }
  if (!script.problems.empty()) return false;
  size_t before = failures_.size();
  for (const scn::Step& step : script.steps) Play(step);
  return failures_.size() == before;
}

}  // namespace koru::sweep
