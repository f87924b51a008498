// Plays scenario steps on the machine and keeps the expectations that did
// not hold, for the sweep to judge a run by.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scenario.h"
#include "script.h"

namespace koru::sweep {

class StepPlayer {
 public:
  StepPlayer();

  void Play(const scn::Step& step);
  // Parses `text` (steps of the scenario language) and plays it; false, with
  // a failure noted, when the text does not parse or a step fails.
  bool PlayText(std::string_view text);

  // Why the run failed so far, one entry per failed step.
  const std::vector<std::string>& Failures() const { return failures_; }
  void NoteFailure(std::string what) { failures_.push_back(std::move(what)); }

 private:
  scn::Scenario scenario_;
  std::vector<std::string> failures_;
};

}  // namespace koru::sweep
