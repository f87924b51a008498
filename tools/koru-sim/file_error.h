// The one error of a scenario file: a line the runner cannot understand.
#pragma once

#include <stdexcept>
#include <string>

namespace koru::scn {

// Thrown while a file is parsed and validated, never while it runs; the
// parser turns it into "FILE:LINE: message" and the run does not start.
class FileError : public std::runtime_error {
 public:
  explicit FileError(const std::string& message) : std::runtime_error(message) {}

  // How the step is written, for the message; the innermost verb that
  // knows it sets it (an expectation's own usage wins over "expect ...").
  const std::string& usage() const { return usage_; }
  void SetUsageOnce(const std::string& usage) {
    if (usage_.empty()) usage_ = usage;
  }

 private:
  std::string usage_;
};

}  // namespace koru::scn
