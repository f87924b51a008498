// Runs of this executable in child processes, a few at a time, so that a
// run that crashes or hangs is recorded as such and the sweep goes on.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace koru::sweep {

struct ChildOutcome {
  bool completed = false;  // exited with status 0
  std::string how;         // otherwise: the exit status, the signal or the time-out
  std::string output;      // what it wrote on stdout and stderr
};

struct ChildPool {
  std::string self;  // this executable
  int jobs = 1;
  std::chrono::seconds timeout{300};
};

// Runs `self ARGS...` for each argument list, at most `jobs` at once, and
// calls `done` with each list's index and outcome as the child ends.
void RunChildren(const ChildPool& pool, const std::vector<std::vector<std::string>>& runs,
                 const std::function<void(size_t, const ChildOutcome&)>& done);

}  // namespace koru::sweep
