// Printing the verdicts of a run.
#include "report.h"

namespace koru::scn {

Report::Report(std::string fileName, std::ostream& out, bool echo)
    : fileName_(std::move(fileName)), out_(out), echo_(echo) {}

void Report::Record(const Step& step, const Outcome& outcome) {
  if (outcome.held) {
    ++passed_;
    return;
  }
  std::string failure = fileName_ + ":" + std::to_string(step.line) + ": " + step.text +
                        "\n    seen instead: " + outcome.seen;
  failures_.push_back(failure);
  if (echo_) Print(failure);
}

void Report::MachineProblem(const std::string& what) {
  std::string failure = fileName_ + ": the machine: " + what;
  failures_.push_back(failure);
  if (echo_) Print(failure);
}

int Report::Finish() {
  if (!failures_.empty()) {
    out_ << "koru-sim: " << failures_.size() << (failures_.size() == 1 ? " failure" : " failures")
         << ":\n";
    for (const std::string& failure : failures_) out_ << failure << "\n";
  }
  out_ << "koru-sim: " << passed_ << " passed, " << failures_.size() << " failed" << std::endl;
  return failures_.empty() ? 0 : 1;
}

void Report::Print(const std::string& failure) { out_ << "FAILED " << failure << std::endl; }

}  // namespace koru::scn
