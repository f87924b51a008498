// The sweep's result: per call and mode, how many runs survived, and why
// the others did not.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "fault_case.h"

namespace koru::sweep {

struct RunResult {
  FaultCase fault;
  std::string lifeAfterFault;        // empty when the run did not complete
  std::vector<std::string> reasons;  // empty: survived
};

// A Markdown table, calls by modes (once: first and later use; always),
// each cell survived/total; the notes give where the fault left the
// service when it was not running with a connection, and every failure.
void PrintTable(std::ostream& out, const std::vector<RunResult>& results);

}  // namespace koru::sweep
