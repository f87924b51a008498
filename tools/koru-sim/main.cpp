// koru-sim: plays a scenario file on the simulated machine.
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "runner.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  std::optional<koru::scn::CommandLine> command = koru::scn::ParseCommandLine(args, &error);
  if (!command) {
    std::cerr << "koru-sim: " << error << "\n" << koru::scn::kUsage;
    return koru::scn::kFileWrong;
  }
  return koru::scn::RunScenarioFile(command->file, command->options, std::cout, std::cerr);
}
