// What a child process of the sweep does, and the lines it prints for the
// parent.
#include <string>

#include "case_run.h"
#include "sweep.h"

namespace koru::sweep {
namespace {

bool Load(const std::string& scenario, std::ostream& out, DemoScript* demo) {
  std::string error;
  std::optional<DemoScript> loaded = LoadDemo(scenario, &error);
  if (!loaded) {
    out << "error: " << error << "\n";
    return false;
  }
  *demo = std::move(*loaded);
  return true;
}

// A failure on one line: the runner's verdicts spread what they saw over
// several.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    bool blank = c == '\n' || c == ' ';
    if (blank && (line.empty() || line.back() == ' ')) continue;
    line += blank ? ' ' : c;
  }
  return line;
}

}  // namespace

int PrintDemoCalls(const std::string& scenario, std::ostream& out) {
  DemoScript demo;
  if (!Load(scenario, out, &demo)) return 2;
  DemoCalls calls = CallsOfDemo(demo);
  for (const auto& [api, uses] : calls.uses) out << "call " << api << " " << uses << "\n";
  for (const auto& [api, uses] : calls.usesAtEnd) out << "end-call " << api << " " << uses << "\n";
  out << "end of calls" << std::endl;
  return 0;
}

int PrintOneRun(const std::string& scenario, const FaultCase& fault, std::ostream& out) {
  DemoScript demo;
  if (!Load(scenario, out, &demo)) return 2;
  CaseVerdict verdict = RunCase(demo, fault);
  out << "life " << verdict.lifeAfterFault << "\n";
  for (const std::string& failure : verdict.failures) out << "failure " << OneLine(failure) << "\n";
  out << "end of run" << std::endl;
  return 0;
}

}  // namespace koru::sweep
