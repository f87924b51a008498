// Expectations on the service control manager: the service's state, the
// whole history of its status reports, and the threads its process runs.
#include <array>
#include <string>
#include <vector>

#include "file_error.h"
#include "service_verbs.h"
#include "sim/machine.h"
#include "sim/services.h"
#include "values.h"

namespace koru::scn {
namespace {

constexpr std::array<const char*, 8> kStateNames = {nullptr,         "STOPPED", "START_PENDING",
                                                    "STOP_PENDING",  "RUNNING", "CONTINUE_PENDING",
                                                    "PAUSE_PENDING", "PAUSED"};

struct StatusPattern {
  uint32_t state = 0;
  uint32_t checkPoint = 0;
  uint32_t waitHint = 0;
  uint32_t controls = 0;

  bool Matches(const SERVICE_STATUS& s) const {
    return s.dwCurrentState == state && s.dwCheckPoint == checkPoint && s.dwWaitHint == waitHint &&
           s.dwControlsAccepted == controls;
  }
};

std::string ShowControls(uint32_t controls) { return controls == 0 ? "0" : Hex(controls); }

std::string Show(const SERVICE_STATUS& s) {
  return ServiceStateName(s.dwCurrentState) + "/" + std::to_string(s.dwCheckPoint) + "/" +
         std::to_string(s.dwWaitHint) + "/" + ShowControls(s.dwControlsAccepted);
}

std::string ShowHistory(const std::vector<sim::services::StatusReport>& history) {
  if (history.empty()) return "no status reports";
  std::string text;
  for (const auto& report : history) text += (text.empty() ? "" : " ") + Show(report.status);
  return text;
}

uint32_t StateOf(const std::string& word) {
  std::optional<uint32_t> state = ServiceStateCode(word);
  if (!state) throw FileError("\"" + word + "\" is not a service state");
  return *state;
}

StatusPattern ParseStatus(const std::string& word) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t slash; (slash = word.find('/', start)) != std::string::npos; start = slash + 1) {
    parts.push_back(word.substr(start, slash - start));
  }
  parts.push_back(word.substr(start));
  if (parts.size() != 4) throw FileError("expected STATE/CHECKPOINT/WAITHINT/CONTROLS");
  return {StateOf(parts[0]), ParseNumber(parts[1]), ParseNumber(parts[2]), ParseNumber(parts[3])};
}

Compiled CompileStatus(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  uint32_t expected = StateOf(args.Word(0));
  return Expectation([expected](Scenario&) {
    uint32_t state = sim::services::CurrentState();
    if (state == expected) return Held();
    return Failed(ServiceStateName(state));
  });
}

Outcome ExpectStatuses(const std::vector<StatusPattern>& expected) {
  std::vector<sim::services::StatusReport> history = sim::services::StatusHistory();
  bool same = history.size() == expected.size();
  for (size_t i = 0; same && i < history.size(); ++i) same = expected[i].Matches(history[i].status);
  if (same) return Held();
  return Failed(ShowHistory(history));
}

// expect statuses S/C/W/A ...: the whole history so far, nothing left out.
Compiled CompileStatuses(const Arguments& args) {
  args.AllowKeys({});
  std::vector<StatusPattern> expected;
  for (size_t i = 0; i < args.Count(); ++i) expected.push_back(ParseStatus(args.Word(i)));
  return Expectation([expected](Scenario&) { return ExpectStatuses(expected); });
}

Compiled CompileThreads(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  int expected = static_cast<int>(args.Number(0));
  return Expectation([expected](Scenario&) {
    int live = sim::LiveThreads();
    if (live == expected) return Held();
    return Failed(std::to_string(live) + " live threads");
  });
}

}  // namespace

std::optional<uint32_t> ServiceStateCode(std::string_view name) {
  for (uint32_t state = 1; state < kStateNames.size(); ++state) {
    if (name == kStateNames[state]) return state;
  }
  return std::nullopt;
}

std::string ServiceStateName(uint32_t state) {
  if (state > 0 && state < kStateNames.size()) return kStateNames[state];
  return "state " + std::to_string(state);
}

void AddServiceExpectations(VerbTable& table) {
  table.Add("status", "expect status STOPPED|START_PENDING|STOP_PENDING|RUNNING", &CompileStatus);
  table.Add("statuses", "expect statuses STATE/CHECKPOINT/WAITHINT/CONTROLS ...", &CompileStatuses);
  table.Add("threads", "expect threads N", &CompileThreads);
}

}  // namespace koru::scn
