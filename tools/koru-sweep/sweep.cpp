// The parent of the sweep: the call list, the runs, the table.
#include "sweep.h"

#include <unistd.h>

#include <sstream>

#include "child_runs.h"
#include "sweep_table.h"

namespace koru::sweep {
namespace {

std::string SelfPath() {
  char buffer[4096];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool StartsWith(const std::string& line, const std::string& word) {
  return line.compare(0, word.size(), word) == 0;
}

// The last lines of a child that did not finish: the sanitizer's summary
// or the machine's last words.
std::string Tail(const std::string& output) {
  std::vector<std::string> lines = Lines(output);
  std::string tail;
  size_t from = lines.size() > 3 ? lines.size() - 3 : 0;
  for (size_t i = from; i < lines.size(); ++i) tail += (tail.empty() ? "" : " / ") + lines[i];
  return tail;
}

struct DemoCallList {
  std::vector<FaultCase> calls;  // mode left First; uses filled
  std::string error;
};

DemoCallList ReadCallList(const ChildOutcome& outcome) {
  DemoCallList list;
  bool ended = false;
  for (const std::string& line : Lines(outcome.output)) {
    std::istringstream words(line);
    std::string kind, api;
    uint64_t uses = 0;
    words >> kind >> api >> uses;
    if (kind == "call" || kind == "end-call") {
      list.calls.push_back({api, Mode::First, uses, kind == "end-call"});
    }
    if (StartsWith(line, "end of calls")) ended = true;
  }
  if (!outcome.completed || !ended) list.error = outcome.how + ": " + Tail(outcome.output);
  return list;
}

RunResult ReadRun(const FaultCase& fault, const ChildOutcome& outcome) {
  RunResult result{fault, "", {}};
  bool ended = false;
  for (const std::string& line : Lines(outcome.output)) {
    if (StartsWith(line, "life ")) result.lifeAfterFault = line.substr(5);
    if (StartsWith(line, "failure ")) result.reasons.push_back(line.substr(8));
    if (StartsWith(line, "end of run")) ended = true;
  }
  if (!outcome.completed || !ended) {
    result.lifeAfterFault.clear();
    result.reasons.push_back(outcome.how + ": " + Tail(outcome.output));
  }
  return result;
}

std::vector<FaultCase> Cases(const std::vector<FaultCase>& calls, const std::vector<Mode>& modes) {
  std::vector<FaultCase> cases;
  for (const FaultCase& call : calls) {
    for (Mode mode : modes) {
      if (WorthRunning(mode, call.uses)) cases.push_back({call.api, mode, call.uses, call.atEnd});
    }
  }
  return cases;
}

std::vector<std::string> CaseArguments(const std::string& scenario, const FaultCase& fault) {
  return {"--case",
          scenario,
          fault.api,
          ModeName(fault.mode),
          std::to_string(fault.uses),
          fault.atEnd ? "end" : "body"};
}

}  // namespace

int RunSweep(const SweepOptions& options, std::ostream& out, std::ostream& log) {
  ChildPool pool{SelfPath(), options.jobs, options.timeout};
  DemoCallList list;
  RunChildren(pool, {{"--calls", options.scenario}},
              [&list](size_t, const ChildOutcome& outcome) { list = ReadCallList(outcome); });
  if (!list.error.empty()) {
    log << "koru-sweep: the demo without faults did not run: " << list.error << "\n";
    return 2;
  }
  std::vector<FaultCase> cases = Cases(list.calls, options.modes);
  std::vector<std::vector<std::string>> runs;
  for (const FaultCase& fault : cases) runs.push_back(CaseArguments(options.scenario, fault));
  log << "koru-sweep: " << list.calls.size() << " calls in " << options.scenario << ", "
      << cases.size() << " runs\n";

  std::vector<RunResult> results(cases.size());
  RunChildren(pool, runs, [&](size_t index, const ChildOutcome& outcome) {
    results[index] = ReadRun(cases[index], outcome);
    if (!results[index].reasons.empty()) {
      log << "koru-sweep: " << cases[index].api << " " << ModeName(cases[index].mode)
          << " failed\n";
    }
  });
  PrintTable(out, results);
  for (const RunResult& result : results) {
    if (!result.reasons.empty()) return 1;
  }
  return 0;
}

}  // namespace koru::sweep
