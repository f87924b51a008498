// Expectations on what the process left in the machine: the event log, its
// exit code, the service registration and the handle audits.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "file_error.h"
#include "search.h"
#include "sim/machine.h"
#include "sim/services.h"
#include "values.h"
#include "verbs.h"

namespace koru::scn {
namespace {

// ---- event log -----------------------------------------------------------------

struct EventPattern {
  std::optional<std::wstring> text;  // the record's second string
  std::optional<uint32_t> id;
  std::optional<std::wstring> source;

  bool Matches(const sim::eventlog::Record& record) const {
    if (text && (record.strings.size() < 2 || record.strings[1] != *text)) return false;
    if (id && record.id != *id) return false;
    return !source || record.source == *source;
  }
};

std::string ShowRecord(const sim::eventlog::Record& record) {
  std::string text = "source=" + Quoted(record.source) + " id=" + Hex(record.id) +
                     " type=" + std::to_string(record.type) + " strings:";
  for (const std::wstring& s : record.strings) text += " " + Quoted(s);
  return text;
}

std::vector<std::string> ShownRecords() {
  std::vector<std::string> shown;
  for (const auto& record : sim::eventlog::Records()) shown.push_back(ShowRecord(record));
  return shown;
}

Outcome ExpectEvent(Scenario& scenario, const EventPattern& pattern) {
  const auto& records = sim::eventlog::Records();
  size_t from = scenario.SearchPoint(Log::Events);
  auto match = [&](const sim::eventlog::Record& record) { return pattern.Matches(record); };
  if (auto found = FindFrom(records, from, match)) {
    scenario.MovePast(Log::Events, *found);
    return Held();
  }
  return Failed(DescribeSearched(ShownRecords(), from, "events", "after the search point"));
}

Outcome ExpectNoEvent(const Scenario& scenario, const EventPattern& pattern) {
  const auto& records = sim::eventlog::Records();
  auto match = [&](const sim::eventlog::Record& record) { return pattern.Matches(record); };
  auto found = FindFrom(records, scenario.SearchPoint(Log::Events), match);
  if (!found) return Held();
  return Failed("event " + std::to_string(*found + 1) + ": " + ShowRecord(records[*found]));
}

EventPattern EventPatternOf(const Arguments& args) {
  args.AllowKeys({"id", "source"});
  EventPattern pattern;
  if (args.Count() == 1) pattern.text = Utf8ToWide(args.Text(0));
  pattern.id = args.NamedNumber("id");
  if (auto source = args.NamedText("source")) pattern.source = Utf8ToWide(*source);
  return pattern;
}

Compiled CompileEvent(const Arguments& args) {
  args.ExpectCount(1);
  EventPattern pattern = EventPatternOf(args);
  return Expectation([pattern](Scenario& scenario) { return ExpectEvent(scenario, pattern); });
}

Compiled CompileNoEvent(const Arguments& args) {
  args.ExpectCount(0, 1);
  EventPattern pattern = EventPatternOf(args);
  return Expectation([pattern](Scenario& scenario) { return ExpectNoEvent(scenario, pattern); });
}

// ---- exit code -----------------------------------------------------------------

Compiled CompileExit(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  uint32_t expected = args.Number(0);
  return Expectation([expected](Scenario& scenario) {
    std::optional<uint32_t> code = scenario.LastExit();
    if (!code) return Failed("no run yet");
    if (*code == expected) return Held();
    return Failed("exit " + std::to_string(*code));
  });
}

// ---- service registration ------------------------------------------------------

struct ServicePattern {
  std::wstring name;
  std::optional<std::wstring> path;
  std::optional<std::wstring> display;
  std::optional<uint32_t> start;
  std::optional<uint32_t> type;
  std::optional<uint32_t> error;
  std::optional<uint32_t> access;
  bool localSystem = false;
};

// LocalSystem is asked for with no account name and no password.
bool IsLocalSystem(const sim::services::Registration& r) { return !r.startName && !r.password; }

bool Matches(const ServicePattern& p, const sim::services::Registration& r) {
  return (!p.path || r.binaryPath == *p.path) && (!p.display || r.displayName == *p.display) &&
         (!p.start || r.startType == *p.start) && (!p.type || r.serviceType == *p.type) &&
         (!p.error || r.errorControl == *p.error) && (!p.access || r.desiredAccess == *p.access) &&
         (!p.localSystem || IsLocalSystem(r));
}

std::string ShowRegistration(const sim::services::Registration& r) {
  std::string account = IsLocalSystem(r) ? "system" : Quoted(r.startName.value_or(L""));
  return "path=" + Quoted(r.binaryPath) + " display=" + Quoted(r.displayName) +
         " start=" + std::to_string(r.startType) + " type=" + Hex(r.serviceType) +
         " error=" + std::to_string(r.errorControl) + " access=" + Hex(r.desiredAccess) +
         " account=" + account;
}

Outcome ExpectService(const ServicePattern& pattern) {
  std::optional<sim::services::Registration> found = sim::services::Find(pattern.name);
  if (!found) return Failed("no service of that name is registered");
  if (Matches(pattern, *found)) return Held();
  return Failed(ShowRegistration(*found));
}

Compiled CompileService(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({"path", "display", "start", "type", "error", "access", "account"});
  ServicePattern pattern;
  pattern.name = Utf8ToWide(args.At(0).text);
  if (auto path = args.NamedText("path")) pattern.path = Utf8ToWide(*path);
  if (auto display = args.NamedText("display")) pattern.display = Utf8ToWide(*display);
  pattern.start = args.NamedNumber("start");
  pattern.type = args.NamedNumber("type");
  pattern.error = args.NamedNumber("error");
  pattern.access = args.NamedNumber("access");
  if (auto account = args.NamedText("account")) {
    if (*account != "system") throw FileError("account= knows only system");
    pattern.localSystem = true;
  }
  return Expectation([pattern](Scenario&) { return ExpectService(pattern); });
}

// ---- handles -------------------------------------------------------------------

Outcome ExpectHandlesClean() {
  const std::vector<std::string>& faults = sim::HandleFaults();
  if (faults.empty()) return Held();
  std::string seen = std::to_string(faults.size()) + " handle faults:";
  for (const std::string& fault : faults) seen += "\n      " + fault;
  return Failed(seen);
}

// Kinds with no open handle count as zero on both sides.
std::map<std::string, int> NonZero(const std::map<std::string, int>& counts) {
  std::map<std::string, int> kept;
  for (const auto& [kind, count] : counts) {
    if (count != 0) kept[kind] = count;
  }
  return kept;
}

std::string ShowCounts(const std::map<std::string, int>& counts) {
  if (counts.empty()) return "none";
  std::string text;
  for (const auto& [kind, count] : counts) {
    text += (text.empty() ? "" : ", ") + kind + " " + std::to_string(count);
  }
  return text;
}

Outcome ExpectHandlesSteady(const Scenario& scenario) {
  std::map<std::string, int> now = NonZero(sim::OpenHandles());
  std::map<std::string, int> then = NonZero(scenario.CheckpointHandles());
  if (now == then) return Held();
  return Failed("open handles " + ShowCounts(now) + "; at the checkpoint " + ShowCounts(then));
}

Compiled CompileHandles(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  if (args.IsWord(0, "clean")) return Expectation([](Scenario&) { return ExpectHandlesClean(); });
  if (args.IsWord(0, "steady")) {
    return Expectation([](Scenario& scenario) { return ExpectHandlesSteady(scenario); });
  }
  throw FileError("expected clean or steady, got \"" + args.At(0).text + "\"");
}

}  // namespace

void AddSystemExpectations(VerbTable& table) {
  table.Add("event", "expect event \"TEXT\" [id=0xC0020001] [source=\"...\"]", &CompileEvent);
  table.Add("no event", "expect no event [\"TEXT\"] [id=N] [source=\"...\"]", &CompileNoEvent);
  table.Add("exit", "expect exit N", &CompileExit);
  table.Add("service",
            "expect service NAME [path=\"...\"] [start=N] [type=0xN] [error=N] [account=system] "
            "[display=\"...\"] [access=0xN]",
            &CompileService);
  table.Add("handles", "expect handles clean|steady", &CompileHandles);
}

}  // namespace koru::scn
