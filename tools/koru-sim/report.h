// The verdicts of a run: every expectation that held or failed, the
// machine's own problems, and the closing line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "scenario.h"
#include "script.h"

namespace koru::scn {

class Report {
 public:
  // `echo`: print each failure as it happens too (with --trace, so that it
  // stands among the trace lines that led to it).
  Report(std::string fileName, std::ostream& out, bool echo);

  void Record(const Step& step, const Outcome& outcome);
  // A hang, a machine that does not settle, an exception on a simulated
  // thread: a failure of the run, whatever the expectations say.
  void MachineProblem(const std::string& what);

  size_t passed() const { return passed_; }
  size_t failed() const { return failures_.size(); }
  // Prints every failure and "koru-sim: N passed, M failed"; returns the
  // exit status, 0 or 1.
  int Finish();

 private:
  void Print(const std::string& failure);

  std::string fileName_;
  std::ostream& out_;
  bool echo_;
  size_t passed_ = 0;
  std::vector<std::string> failures_;
};

}  // namespace koru::scn
