// The repeat block: its markers, and the unrolling of a parsed script.
#include "blocks.h"

#include <algorithm>
#include <string>
#include <vector>

#include "file_error.h"
#include "lexer.h"
#include "values.h"

namespace koru::scn {
namespace {

constexpr uint32_t MAX_ROUNDS = 100000;

enum class Marker { None, Repeat, End };

// The markers do nothing when they run: unrolling takes them out.
Compiled CompileRepeat(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  uint32_t rounds = args.Number(0);
  if (rounds == 0 || rounds > MAX_ROUNDS) {
    throw FileError("a block is played 1 to " + std::to_string(MAX_ROUNDS) + " times");
  }
  return SetUp([](Scenario&) {});
}

Compiled CompileEnd(const Arguments& args) {
  args.ExpectCount(0);
  args.AllowKeys({});
  return SetUp([](Scenario&) {});
}

// A compiled step keeps its text, and a marker's first word is its verb.
Marker MarkerOf(const Step& step) {
  std::string verb = step.text.substr(0, step.text.find_first_of(" \t"));
  if (verb == "repeat") return Marker::Repeat;
  if (verb == "end") return Marker::End;
  return Marker::None;
}

// The count was validated when the step was compiled.
uint32_t RoundsOf(const Step& repeat) {
  return ParseNumber(LexLine(repeat.text).tokens.at(1).text);
}

void AppendRounds(const Step& repeat, const std::vector<Step>& body, std::vector<Step>* out) {
  uint32_t rounds = RoundsOf(repeat);
  out->reserve(out->size() + body.size() * rounds);
  for (uint32_t round = 1; round <= rounds; ++round) {
    std::string label = " [round " + std::to_string(round) + " of " + std::to_string(rounds) + "]";
    for (const Step& step : body) {
      out->push_back(step);
      out->back().text += label;
    }
  }
}

class Unroller {
 public:
  Unroller(const std::vector<Step>& steps, std::vector<FileProblem>* problems)
      : steps_(steps), problems_(problems) {}

  // The steps from the current one to the end of the block that `opener`
  // began (the end of the file when there is none), blocks inside unrolled.
  std::vector<Step> Body(const Step* opener) {
    std::vector<Step> out;
    while (next_ < steps_.size()) {
      const Step& step = steps_[next_++];
      Marker marker = MarkerOf(step);
      if (marker == Marker::None) {
        out.push_back(step);
      } else if (marker == Marker::Repeat) {
        std::vector<Step> body = Body(&step);
        AppendRounds(step, body, &out);
      } else if (opener != nullptr) {
        return out;
      } else {
        problems_->push_back({step.line, "end without a repeat before it"});
      }
    }
    if (opener != nullptr) problems_->push_back({opener->line, "repeat without its end"});
    return out;
  }

 private:
  const std::vector<Step>& steps_;
  std::vector<FileProblem>* problems_;
  size_t next_ = 0;
};

}  // namespace

void AddBlockVerbs(VerbTable& table) {
  table.Add("repeat", "repeat N ... end", &CompileRepeat);
  table.Add("end", "end (closes repeat N)", &CompileEnd);
}

void UnrollBlocks(Script& script) {
  Unroller unroller(script.steps, &script.problems);
  script.steps = unroller.Body(nullptr);
  std::stable_sort(script.problems.begin(), script.problems.end(),
                   [](const FileProblem& a, const FileProblem& b) { return a.line < b.line; });
}

}  // namespace koru::scn
