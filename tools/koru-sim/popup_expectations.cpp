// Expectations on the programs the service started: the launches in order
// (launch, no launch), how they ended (terminated) and what still runs
// (running, not running).
#include <optional>
#include <string>
#include <vector>

#include "file_error.h"
#include "search.h"
#include "session_verbs.h"
#include "sim/sessions.h"
#include "values.h"

namespace koru::scn {
namespace {

using sim::sessions::Launch;

struct LaunchPattern {
  std::wstring commandLine;
  std::optional<DWORD> session;
  std::optional<bool> consoleUser;

  bool Matches(const Launch& launch) const {
    if (launch.commandLine != commandLine) return false;
    if (session && launch.session != *session) return false;
    bool byUser = launch.user == sim::sessions::TokenUser::ConsoleUser;
    return !consoleUser || byUser == *consoleUser;
  }
};

std::string ShowLaunch(const Launch& launch) {
  bool byUser = launch.user == sim::sessions::TokenUser::ConsoleUser;
  return Quoted(launch.commandLine) + " session=" + std::to_string(launch.session) +
         " user=" + (byUser ? "yes" : "no");
}

std::vector<std::string> ShownLaunches() {
  std::vector<std::string> shown;
  for (const Launch& launch : sim::sessions::Launches()) shown.push_back(ShowLaunch(launch));
  return shown;
}

Outcome ExpectLaunch(Scenario& scenario, const LaunchPattern& pattern) {
  const auto& launches = sim::sessions::Launches();
  size_t from = scenario.SearchPoint(Log::Launches);
  auto match = [&](const Launch& launch) { return pattern.Matches(launch); };
  if (auto found = FindFrom(launches, from, match)) {
    scenario.MovePast(Log::Launches, *found);
    return Held();
  }
  return Failed(DescribeSearched(ShownLaunches(), from, "launches", "after the search point"));
}

Outcome ExpectNoLaunch(const Scenario& scenario, const std::optional<std::wstring>& exe) {
  const auto& launches = sim::sessions::Launches();
  auto match = [&](const Launch& launch) {
    return !exe || sim::sessions::NamesProgram(*exe, launch.program);
  };
  auto found = FindFrom(launches, scenario.SearchPoint(Log::Launches), match);
  if (!found) return Held();
  return Failed("launch " + std::to_string(*found + 1) + ": " + ShowLaunch(launches[*found]));
}

std::string ShowEnding(const sim::sessions::Ending& ending) {
  return WideToUtf8(ending.program) + " " +
         (ending.terminated ? "terminated with " : "exited with ") +
         std::to_string(ending.exitCode);
}

Outcome ExpectTerminated(const std::wstring& exe, DWORD code) {
  std::vector<std::string> seen;
  for (const auto& ending : sim::sessions::Endings()) {
    if (!sim::sessions::NamesProgram(exe, ending.program)) continue;
    if (ending.terminated && ending.exitCode == code) return Held();
    seen.push_back(ShowEnding(ending));
  }
  if (seen.empty()) return Failed("no program of " + WideToUtf8(exe) + " has ended");
  std::string text;
  for (const std::string& line : seen) text += (text.empty() ? "" : "; ") + line;
  return Failed(text);
}

Outcome ExpectRunning(const std::wstring& exe, bool running) {
  if (sim::sessions::Running(exe) == running) return Held();
  return Failed(running ? "not running" : "running");
}

Compiled CompileLaunch(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({"session", "user"});
  LaunchPattern pattern;
  pattern.commandLine = Utf8ToWide(args.Text(0));
  pattern.session = args.NamedNumber("session");
  if (auto user = args.NamedText("user")) pattern.consoleUser = YesNo("user", *user);
  return Expectation([pattern](Scenario& scenario) { return ExpectLaunch(scenario, pattern); });
}

Compiled CompileNoLaunch(const Arguments& args) {
  args.ExpectCount(0, 1);
  args.AllowKeys({});
  std::optional<std::wstring> exe;
  if (args.Count() == 1) exe = ExecutableAt(args, 0);
  return Expectation([exe](Scenario& scenario) { return ExpectNoLaunch(scenario, exe); });
}

Compiled CompileTerminated(const Arguments& args) {
  args.ExpectCount(2);
  args.AllowKeys({});
  std::wstring exe = ExecutableAt(args, 0);
  uint32_t code = args.Number(1);
  return Expectation([exe, code](Scenario&) { return ExpectTerminated(exe, code); });
}

Compiled CompileRunning(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  std::wstring exe = ExecutableAt(args, 0);
  return Expectation([exe](Scenario&) { return ExpectRunning(exe, true); });
}

// "not running EXE": the expectation's own negation, besides "no".
Compiled CompileNotRunning(const Arguments& args) {
  args.ExpectCount(2);
  args.AllowKeys({});
  if (!args.IsWord(0, "running")) throw FileError("expected running EXE after not");
  std::wstring exe = ExecutableAt(args, 1);
  return Expectation([exe](Scenario&) { return ExpectRunning(exe, false); });
}

}  // namespace

void AddPopupExpectations(VerbTable& table) {
  table.Add("launch", "expect launch \"COMMAND LINE\" [session=N] [user=yes|no]", &CompileLaunch);
  table.Add("no launch", "expect no launch [EXE]", &CompileNoLaunch);
  table.Add("terminated", "expect terminated EXE CODE", &CompileTerminated);
  table.Add("running", "expect running EXE", &CompileRunning);
  table.Add("not", "expect not running EXE", &CompileNotRunning);
}

}  // namespace koru::scn
