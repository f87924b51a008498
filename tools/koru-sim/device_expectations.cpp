// Expectations on the requests the codec driver received: which control
// code, with which input byte, on which of the service's handles.
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device_verbs.h"
#include "file_error.h"
#include "search.h"
#include "sim/devices.h"
#include "values.h"

namespace koru::scn {
namespace {

// The connector's handle carries the jack-state requests; the switch-window
// watcher's own handle is any other handle of the codec.
enum class HandleRole { Connector, Switch };

struct RequestPattern {
  uint32_t code = 0;
  std::optional<uint8_t> input;
  std::optional<HandleRole> role;
};

bool IsJackState(uint32_t code) {
  return code == sim::codec::JACKSTATE_NOTIFY || code == sim::codec::JACKSTATE_INITIAL;
}

// The handles that carried a jack-state request, over the whole log.
std::set<HANDLE> ConnectorHandles() {
  std::set<HANDLE> handles;
  for (const auto& request : sim::codec::Requests()) {
    if (IsJackState(request.code)) handles.insert(request.handle);
  }
  return handles;
}

HandleRole RoleOf(const sim::codec::Request& request, const std::set<HANDLE>& connector) {
  return connector.count(request.handle) != 0 ? HandleRole::Connector : HandleRole::Switch;
}

bool Matches(const RequestPattern& pattern, const sim::codec::Request& request,
             const std::set<HANDLE>& connector) {
  if (request.code != pattern.code) return false;
  if (pattern.input && (request.input.size() != 1 || request.input[0] != *pattern.input)) {
    return false;
  }
  return !pattern.role || RoleOf(request, connector) == *pattern.role;
}

std::string ShowOutcome(const sim::codec::Request& request) {
  switch (request.outcome) {
    case sim::codec::Outcome::Pending:
      return "pending";
    case sim::codec::Outcome::Succeeded:
      return "ok, " + std::to_string(request.bytes) + " bytes";
    case sim::codec::Outcome::Failed:
      return "failed " + std::to_string(request.error);
  }
  return "?";
}

// "JACKSTATE_NOTIFY handle=connector pending", "FINISH_HEADPHONE in=3 ..."
std::string ShowRequest(const sim::codec::Request& request, const std::set<HANDLE>& connector) {
  std::string text = sim::codec::CodeName(request.code);
  for (uint8_t byte : request.input) text += " in=" + std::to_string(byte);
  text +=
      RoleOf(request, connector) == HandleRole::Connector ? " handle=connector" : " handle=switch";
  return text + " " + ShowOutcome(request);
}

std::vector<std::string> ShownRequests(const std::set<HANDLE>& connector) {
  std::vector<std::string> shown;
  for (const auto& request : sim::codec::Requests()) {
    shown.push_back(ShowRequest(request, connector));
  }
  return shown;
}

std::optional<size_t> FindRequest(const Scenario& scenario, const RequestPattern& pattern,
                                  const std::set<HANDLE>& connector) {
  auto match = [&](const sim::codec::Request& request) {
    return Matches(pattern, request, connector);
  };
  return FindFrom(sim::codec::Requests(), scenario.SearchPoint(Log::DriverRequests), match);
}

Outcome ExpectRequest(Scenario& scenario, const RequestPattern& pattern) {
  std::set<HANDLE> connector = ConnectorHandles();
  if (auto found = FindRequest(scenario, pattern, connector)) {
    scenario.MovePast(Log::DriverRequests, *found);
    return Held();
  }
  return Failed(DescribeSearched(ShownRequests(connector),
                                 scenario.SearchPoint(Log::DriverRequests), "driver requests",
                                 "after the search point"));
}

Outcome ExpectNoRequest(const Scenario& scenario, const RequestPattern& pattern) {
  std::set<HANDLE> connector = ConnectorHandles();
  std::optional<size_t> found = FindRequest(scenario, pattern, connector);
  if (!found) return Held();
  return Failed("request " + std::to_string(*found + 1) + ": " +
                ShowRequest(sim::codec::Requests()[*found], connector));
}

HandleRole RoleNamed(const std::string& name) {
  if (name == "connector") return HandleRole::Connector;
  if (name == "switch") return HandleRole::Switch;
  throw FileError("handle= is connector or switch, got \"" + name + "\"");
}

RequestPattern PatternOf(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({"in", "handle"});
  std::optional<uint32_t> code = ControlCodeNamed(args.Word(0));
  if (!code) throw FileError("unknown control code \"" + args.At(0).text + "\"");
  RequestPattern pattern;
  pattern.code = *code;
  if (auto in = args.NamedText("in")) pattern.input = JackTypeNumber(*in);
  if (auto role = args.NamedText("handle")) pattern.role = RoleNamed(*role);
  return pattern;
}

Compiled CompileIoctl(const Arguments& args) {
  RequestPattern pattern = PatternOf(args);
  return Expectation([pattern](Scenario& scenario) { return ExpectRequest(scenario, pattern); });
}

Compiled CompileNoIoctl(const Arguments& args) {
  RequestPattern pattern = PatternOf(args);
  return Expectation([pattern](Scenario& scenario) { return ExpectNoRequest(scenario, pattern); });
}

}  // namespace

std::optional<uint32_t> ControlCodeNamed(const std::string& name) {
  for (uint32_t code :
       {sim::codec::FINISH_SPEAKER, sim::codec::FINISH_HEADPHONE, sim::codec::JACKSTATE_NOTIFY,
        sim::codec::JACKSTATE_INITIAL, sim::codec::MUTESTATE_NOTIFY}) {
    if (sim::codec::CodeName(code) == name) return code;
  }
  if (name.empty() || name[0] < '0' || name[0] > '9') return std::nullopt;
  return ParseNumber(name);
}

void AddDeviceExpectations(VerbTable& table) {
  table.Add("ioctl", "expect ioctl NAME [in=B] [handle=connector|switch]", &CompileIoctl);
  table.Add("no ioctl", "expect no ioctl NAME [in=B] [handle=connector|switch]", &CompileNoIoctl);
}

}  // namespace koru::scn
