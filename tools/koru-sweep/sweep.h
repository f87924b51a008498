// The sweep: the demo's calls from a run without faults, then one child
// run per call and mode, then the table.
#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "fault_case.h"

namespace koru::sweep {

struct SweepOptions {
  std::string scenario;
  std::vector<Mode> modes;
  int jobs = 1;
  std::chrono::seconds timeout{300};
};

// Returns the exit status: 0 when every run survived.
int RunSweep(const SweepOptions& options, std::ostream& out, std::ostream& log);

// The two roles of a child process: the calls of the demo without faults,
// and one run. Each prints its findings and ends with a line of its own.
int PrintDemoCalls(const std::string& scenario, std::ostream& out);
int PrintOneRun(const std::string& scenario, const FaultCase& fault, std::ostream& out);

}  // namespace koru::sweep
