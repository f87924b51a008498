// Reading koru-sim's command line.
#include "command_line.h"

#include <charconv>

namespace koru::scn {

const char kUsage[] =
    "usage: koru-sim run FILE.scn [--trace] [--realtime] [--free] [--seed N] [--state DIR]\n";

namespace {

bool ParseSeed(const std::string& text, uint64_t* seed) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *seed);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// One option at args[*i]; moves *i past its value. False with `error` set
// when it is not an option or lacks its value.
bool ParseOption(const std::vector<std::string>& args, size_t* i, RunOptions* options,
                 std::string* error) {
  const std::string& option = args[*i];
  if (option == "--trace") {
    options->trace = true;
    return true;
  }
  if (option == "--realtime") {
    options->realTime = true;
    return true;
  }
  if (option == "--free") {
    options->freeRunning = true;
    return true;
  }
  if (option != "--seed" && option != "--state") {
    *error = "unknown option " + option;
    return false;
  }
  if (*i + 1 >= args.size()) {
    *error = option + " needs a value";
    return false;
  }
  const std::string& value = args[++*i];
  if (option == "--state") {
    options->stateDir = value;
    return true;
  }
  uint64_t seed = 0;
  if (!ParseSeed(value, &seed)) {
    *error = "--seed needs a decimal number, got " + value;
    return false;
  }
  options->seed = seed;
  return true;
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string* error) {
  if (args.empty() || args[0] != "run") {
    *error = args.empty() ? "no command" : "unknown command " + args[0];
    return std::nullopt;
  }
  CommandLine command;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i].starts_with("--")) {
      if (!ParseOption(args, &i, &command.options, error)) return std::nullopt;
      continue;
    }
    if (!command.file.empty()) {
      *error = "one scenario file at a time, got " + command.file + " and " + args[i];
      return std::nullopt;
    }
    command.file = args[i];
  }
  if (command.file.empty()) {
    *error = "no scenario file";
    return std::nullopt;
  }
  if (command.options.seed && command.options.realTime) {
    *error = "--seed orders threads that run one at a time; --realtime runs them in parallel";
    return std::nullopt;
  }
  if (command.options.seed && command.options.freeRunning) {
    *error = "--seed orders threads that run one at a time; --free runs them in parallel";
    return std::nullopt;
  }
  return command;
}

}  // namespace koru::scn
