// Steps that run the executable, let time pass, and place marks and
// checkpoints.
#include <string>
#include <vector>

#include "file_error.h"
#include "service_program.h"
#include "sim/machine.h"
#include "values.h"
#include "verbs.h"

namespace koru::scn {
namespace {

// run [ARG]...: the executable started from a console; the machine runs
// until the process has ended.
Compiled CompileRun(const Arguments& args) {
  args.AllowKeys({});
  std::vector<std::wstring> argv;
  for (size_t i = 0; i < args.Count(); ++i) {
    if (args.At(i).contains) throw FileError("run takes words and \"quoted strings\"");
    argv.push_back(Utf8ToWide(args.At(i).text));
  }
  return Happening([argv](Scenario& scenario) {
    scenario.RecordExit(sim::RunProgram(koru::ServiceProgram(), argv));
  });
}

Compiled CompileMark(const Arguments& args) {
  args.ExpectCount(0);
  args.AllowKeys({});
  return SetUp([](Scenario& scenario) { scenario.Mark(); });
}

Compiled CompileCheckpoint(const Arguments& args) {
  args.ExpectCount(0);
  args.AllowKeys({});
  return SetUp([](Scenario& scenario) { scenario.Checkpoint(); });
}

Compiled CompileWait(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  uint64_t ms = ParseDurationMs(args.Word(0));
  return SetUp([ms](Scenario&) { sim::Advance(ms); });
}

Compiled CompileSettle(const Arguments& args) {
  args.ExpectCount(0);
  args.AllowKeys({});
  return SetUp([](Scenario&) { sim::Settle(); });
}

}  // namespace

void AddRunningVerbs(VerbTable& table) {
  table.Add("run", "run [ARG]...", &CompileRun);
  table.Add("mark", "mark", &CompileMark);
  table.Add("checkpoint", "checkpoint", &CompileCheckpoint);
  table.Add("wait", "wait DURATION (500ms, 2s)", &CompileWait);
  table.Add("settle", "settle", &CompileSettle);
}

}  // namespace koru::scn
