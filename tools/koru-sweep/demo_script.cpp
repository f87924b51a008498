// Loading the demo and cutting it at its closing control.
#include "demo_script.h"

#include <fstream>
#include <sstream>

namespace koru::sweep {
namespace {

bool StartsWith(const std::string& text, std::string_view word) {
  return text.compare(0, word.size(), word) == 0 &&
         (text.size() == word.size() || text[word.size()] == ' ');
}

bool IsAction(const scn::Step& step) {
  return !StartsWith(step.text, "expect") && !StartsWith(step.text, "summary");
}

// The last control the demo sends: the service's end.
size_t ClosingControl(const std::vector<scn::Step>& actions) {
  for (size_t i = actions.size(); i > 0; --i) {
    if (StartsWith(actions[i - 1].text, "control")) return i - 1;
  }
  return actions.size();
}

}  // namespace

std::optional<DemoScript> LoadDemo(const std::string& path, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "cannot read " + path;
    return std::nullopt;
  }
  std::ostringstream text;
  text << file.rdbuf();
  scn::Script script = scn::ParseScript(text.str());
  if (!script.problems.empty()) {
    *error =
        path + ":" + std::to_string(script.problems[0].line) + ": " + script.problems[0].message;
    return std::nullopt;
  }
  std::vector<scn::Step> actions;
  for (scn::Step& step : script.steps) {
    if (IsAction(step)) actions.push_back(std::move(step));
  }
  size_t cut = ClosingControl(actions);
  DemoScript demo;
  demo.body.assign(actions.begin(), actions.begin() + static_cast<long>(cut));
  demo.end.assign(actions.begin() + static_cast<long>(cut), actions.end());
  return demo;
}

}  // namespace koru::sweep
