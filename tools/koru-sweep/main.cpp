// koru-sweep: the demo with each simulated call failing in turn.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "sim/machine.h"
#include "sweep.h"

namespace {

constexpr char kUsage[] =
    "usage: koru-sweep [--scenario FILE] [--modes once|always|all] [--jobs N] [--timeout S]\n";

bool ParseModes(const std::string& text, std::vector<koru::sweep::Mode>* modes) {
  using koru::sweep::Mode;
  if (text == "once") *modes = {Mode::First, Mode::Later};
  if (text == "always") *modes = {Mode::Always};
  if (text == "all") *modes = {Mode::First, Mode::Later, Mode::Always};
  return text == "once" || text == "always" || text == "all";
}

// The parent's options; false on anything it does not know.
bool ParseOptions(const std::vector<std::string>& args, koru::sweep::SweepOptions* options) {
  for (size_t i = 0; i + 1 < args.size(); i += 2) {
    const std::string& value = args[i + 1];
    if (args[i] == "--scenario") {
      options->scenario = value;
    } else if (args[i] == "--modes") {
      if (!ParseModes(value, &options->modes)) return false;
    } else if (args[i] == "--jobs") {
      options->jobs = std::max(1, std::atoi(value.c_str()));
    } else if (args[i] == "--timeout") {
      options->timeout = std::chrono::seconds(std::max(1, std::atoi(value.c_str())));
    } else {
      return false;
    }
  }
  return args.size() % 2 == 0;
}

// --case FILE API MODE USES body|end [--trace]: one run, in this process;
// with --trace the service's trace lines go to stderr as it writes them.
int OneRun(const std::vector<std::string>& args) {
  if (args.size() == 7 && args[6] != "--trace") return 2;
  sim::EchoDebugOutput(args.size() == 7);
  std::optional<koru::sweep::Mode> mode = koru::sweep::ModeFromName(args[3]);
  if (!mode) return 2;
  koru::sweep::FaultCase fault{args[2], *mode, std::strtoull(args[4].c_str(), nullptr, 10),
                               args[5] == "end"};
  return koru::sweep::PrintOneRun(args[1], fault, std::cout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "--calls") {
    return koru::sweep::PrintDemoCalls(args[1], std::cout);
  }
  if ((args.size() == 6 || args.size() == 7) && args[0] == "--case") return OneRun(args);
  koru::sweep::SweepOptions options;
  options.scenario = KORU_DEMO_SCENARIO;
  options.modes = {koru::sweep::Mode::First, koru::sweep::Mode::Later, koru::sweep::Mode::Always};
  if (!ParseOptions(args, &options)) {
    std::cerr << kUsage;
    return 2;
  }
  return koru::sweep::RunSweep(options, std::cout, std::cerr);
}
