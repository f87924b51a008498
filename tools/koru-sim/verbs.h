// The verbs of the scenario language. Each verb validates its arguments
// while the file is parsed and returns what the step does when it runs;
// areas of the language register their verbs in the two tables.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "arguments.h"
#include "scenario.h"

namespace koru::scn {

using Action = std::function<void(Scenario&)>;
using Check = std::function<Outcome(Scenario&)>;

// A validated step: an action, or an expectation.
struct Compiled {
  Action act;
  Check check;
  // The step makes something happen: the machine settles after it, or,
  // when the step ends with "&", only runs what is ready now.
  bool happens = false;
};

inline Compiled SetUp(Action act) { return {std::move(act), nullptr, false}; }
inline Compiled Happening(Action act) { return {std::move(act), nullptr, true}; }
inline Compiled Expectation(Check check) { return {nullptr, std::move(check), false}; }

// Validates the arguments (throwing FileError) and binds them into the step.
using Compiler = Compiled (*)(const Arguments& args);

struct Verb {
  std::string name;   // one word, or "no WORD" for negated expectations
  std::string usage;  // how the step is written, for error messages
  Compiler compile;
};

class VerbTable {
 public:
  void Add(std::string name, std::string usage, Compiler compile);
  const Verb* Find(std::string_view name) const;

 private:
  std::vector<Verb> verbs_;
};

// The first word of a step.
const VerbTable& StepVerbs();
// The word (or "no" and the word) after "expect".
const VerbTable& Expectations();

// Compiles `args` with `verb`, giving a FileError the verb's usage.
Compiled CompileWith(const Verb& verb, const Arguments& args);

// Each area adds its verbs.
void AddSetUpVerbs(VerbTable& table);
void AddRunningVerbs(VerbTable& table);
void AddTraceExpectations(VerbTable& table);
void AddSettingsExpectations(VerbTable& table);
void AddSystemExpectations(VerbTable& table);

}  // namespace koru::scn
