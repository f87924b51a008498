// Expectations on the service's trace: ordered (trace, line), negated
// (no trace) and unordered since the last mark (seen).
#include <string>
#include <vector>

#include "file_error.h"
#include "search.h"
#include "trace_log.h"
#include "values.h"
#include "verbs.h"

namespace koru::scn {
namespace {

// "MESSAGE" matches a whole message, ~"TEXT" a part of one.
struct Pattern {
  std::wstring text;
  bool contains = false;

  bool Matches(const std::wstring& message) const {
    return contains ? message.find(text) != std::wstring::npos : message == text;
  }
};

Pattern PatternAt(const Arguments& args, size_t i) {
  const Token& token = args.At(i);
  if (!token.quoted) {
    throw FileError("expected \"MESSAGE\" or ~\"TEXT\", got \"" + token.text + "\"");
  }
  return {Utf8ToWide(token.text), token.contains};
}

std::vector<std::string> ShownMessages(const std::vector<TraceLine>& lines) {
  std::vector<std::string> shown;
  for (const TraceLine& line : lines) shown.push_back(Quoted(line.message));
  return shown;
}

std::vector<std::string> ShownLines(const std::vector<TraceLine>& lines) {
  std::vector<std::string> shown;
  for (const TraceLine& line : lines) shown.push_back(Quoted(line.line));
  return shown;
}

// What an ordered search saw: the lines after the search point, and the
// matching line before it when there is one (the usual ordering mistake).
template <typename Match>
std::string NotFoundAfter(const std::vector<TraceLine>& lines,
                          const std::vector<std::string>& shown, size_t from, const Match& match) {
  std::string seen = DescribeSearched(shown, from, "trace lines", "after the search point");
  if (auto earlier = FindBefore(lines, from, match)) {
    seen += "\n      (it was traced earlier, as trace line " + std::to_string(*earlier + 1) +
            ", before the search point)";
  }
  return seen;
}

Outcome ExpectTrace(Scenario& scenario, const Pattern& pattern) {
  std::vector<TraceLine> lines = ServiceTrace();
  size_t from = scenario.SearchPoint(Log::Trace);
  auto match = [&](const TraceLine& line) { return pattern.Matches(line.message); };
  if (auto found = FindFrom(lines, from, match)) {
    scenario.MovePast(Log::Trace, *found);
    return Held();
  }
  return Failed(NotFoundAfter(lines, ShownMessages(lines), from, match));
}

Outcome ExpectNoTrace(const Scenario& scenario, const Pattern& pattern) {
  std::vector<TraceLine> lines = ServiceTrace();
  auto match = [&](const TraceLine& line) { return pattern.Matches(line.message); };
  auto found = FindFrom(lines, scenario.SearchPoint(Log::Trace), match);
  if (!found) return Held();
  return Failed("trace line " + std::to_string(*found + 1) + ": " + Quoted(lines[*found].message));
}

Outcome ExpectSeen(const Scenario& scenario, const Pattern& pattern) {
  std::vector<TraceLine> lines = ServiceTrace();
  size_t from = scenario.MarkPoint(Log::Trace);
  auto match = [&](const TraceLine& line) { return pattern.Matches(line.message); };
  if (FindFrom(lines, from, match)) return Held();
  return Failed(DescribeSearched(ShownMessages(lines), from, "trace lines", "since the last mark"));
}

Outcome ExpectLine(Scenario& scenario, const std::wstring& whole) {
  std::vector<TraceLine> lines = ServiceTrace();
  size_t from = scenario.SearchPoint(Log::Trace);
  auto match = [&](const TraceLine& line) { return line.line == whole; };
  if (auto found = FindFrom(lines, from, match)) {
    scenario.MovePast(Log::Trace, *found);
    return Held();
  }
  return Failed(NotFoundAfter(lines, ShownLines(lines), from, match));
}

Compiled CompileTrace(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  Pattern pattern = PatternAt(args, 0);
  return Expectation([pattern](Scenario& scenario) { return ExpectTrace(scenario, pattern); });
}

Compiled CompileNoTrace(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  Pattern pattern = PatternAt(args, 0);
  return Expectation([pattern](Scenario& scenario) { return ExpectNoTrace(scenario, pattern); });
}

Compiled CompileSeen(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  Pattern pattern = PatternAt(args, 0);
  return Expectation([pattern](Scenario& scenario) { return ExpectSeen(scenario, pattern); });
}

Compiled CompileLine(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  std::wstring whole = Utf8ToWide(args.Text(0));
  return Expectation([whole](Scenario& scenario) { return ExpectLine(scenario, whole); });
}

}  // namespace

void AddTraceExpectations(VerbTable& table) {
  table.Add("trace", "expect trace \"MESSAGE\" | expect trace ~\"TEXT\"", &CompileTrace);
  table.Add("no trace", "expect no trace \"MESSAGE\" | expect no trace ~\"TEXT\"", &CompileNoTrace);
  table.Add("seen", "expect seen \"MESSAGE\" | expect seen ~\"TEXT\"", &CompileSeen);
  table.Add("line", "expect line \"FULL LINE\"", &CompileLine);
}

}  // namespace koru::scn
