// One run of the sweep, in this process: the demo with one call failing,
// then, with the fault lifted, the recovery probe, the demo's own end and
// the audits.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "demo_script.h"
#include "fault_case.h"

namespace koru::sweep {

struct CaseVerdict {
  std::string lifeAfterFault;         // where the faulty demo left the service
  std::vector<std::string> failures;  // empty: the run survived
};

CaseVerdict RunCase(const DemoScript& demo, const FaultCase& fault);

// The demo without a fault: how often its faulty part made each simulated
// call (the calls a run can fail), and the calls that only its end makes.
struct DemoCalls {
  std::map<std::string, uint64_t> uses;
  std::map<std::string, uint64_t> usesAtEnd;  // calls its faulty part does not make
};
DemoCalls CallsOfDemo(const DemoScript& demo);

}  // namespace koru::sweep
