// A scenario file parsed and validated as a whole, before anything runs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "verbs.h"

namespace koru::scn {

struct Step {
  int line = 0;
  std::string text;  // the step as written, without its comment
  Compiled compiled;
  bool background = false;  // ended with "&"
};

struct FileProblem {
  int line = 0;
  std::string message;
};

struct Script {
  std::vector<Step> steps;
  // Every line that is wrong; a script with problems must not run.
  std::vector<FileProblem> problems;
};

Script ParseScript(std::string_view text);

}  // namespace koru::scn
