// The two verb tables, and "expect", which picks its expectation by the
// words that follow it.
#include "verbs.h"

#include "blocks.h"
#include "device_verbs.h"
#include "endpoint_verbs.h"
#include "file_error.h"
#include "service_verbs.h"
#include "session_verbs.h"
#include "summary.h"

namespace koru::scn {
namespace {

Compiled CompileExpect(const Arguments& args) {
  if (args.Count() == 0) throw FileError("expect what?");
  bool negated = args.IsWord(0, "no") && args.Count() > 1;
  std::string name = negated ? "no " + args.At(1).text : args.At(0).text;
  const Verb* verb = args.At(0).quoted ? nullptr : Expectations().Find(name);
  if (verb == nullptr) throw FileError("unknown expectation \"" + name + "\"");
  return CompileWith(*verb, args.From(negated ? 2 : 1));
}

VerbTable BuildStepVerbs() {
  VerbTable table;
  AddSetUpVerbs(table);
  AddRunningVerbs(table);
  AddSessionVerbs(table);
  AddServiceVerbs(table);
  AddEndpointVerbs(table);
  AddDeviceVerbs(table);
  AddBlockVerbs(table);
  AddSummaryVerbs(table);
  table.Add("expect", "expect WHAT ...", &CompileExpect);
  return table;
}

VerbTable BuildExpectations() {
  VerbTable table;
  AddTraceExpectations(table);
  AddSettingsExpectations(table);
  AddSystemExpectations(table);
  AddPopupExpectations(table);
  AddServiceExpectations(table);
  AddDeviceExpectations(table);
  AddEndpointExpectations(table);
  return table;
}

}  // namespace

void VerbTable::Add(std::string name, std::string usage, Compiler compile) {
  verbs_.push_back({std::move(name), std::move(usage), compile});
}

const Verb* VerbTable::Find(std::string_view name) const {
  for (const Verb& verb : verbs_) {
    if (verb.name == name) return &verb;
  }
  return nullptr;
}

const VerbTable& StepVerbs() {
  static const VerbTable table = BuildStepVerbs();
  return table;
}

const VerbTable& Expectations() {
  static const VerbTable table = BuildExpectations();
  return table;
}

Compiled CompileWith(const Verb& verb, const Arguments& args) {
  try {
    return verb.compile(args);
  } catch (FileError& error) {
    error.SetUsageOnce(verb.usage);
    throw;
  }
}

}  // namespace koru::scn
