// The fault plan (which simulated call fails, when, with what error) and the
// call log. Both are looked up by the call's name as a string_view, so that a
// call costs no heap allocation when recording is off.
#include "faults.h"

#include <map>
#include <string>
#include <string_view>

#include "kernel.h"
#include "sim/machine.h"

namespace sim {
namespace {

struct PlannedFault {
  FaultSpec desc;
  uint32_t skipLeft = 0;
  uint32_t timesLeft = 0;
};

struct Plans {
  std::map<std::string, PlannedFault, std::less<>> faults;
  std::map<std::string, uint64_t, std::less<>> calls;
};

Plans& P() {
  static Plans* plans = new Plans;
  return *plans;
}

}  // namespace

std::optional<uint32_t> FaultVerdict(const char* api, uint32_t defaultError) {
  auto& faults = P().faults;
  if (faults.empty()) return std::nullopt;
  auto found = faults.find(std::string_view(api));
  if (found == faults.end()) return std::nullopt;
  PlannedFault& fault = found->second;
  if (fault.skipLeft > 0) {
    --fault.skipLeft;
    return std::nullopt;
  }
  if (!fault.desc.always) {
    if (fault.timesLeft == 0) return std::nullopt;
    --fault.timesLeft;
  }
  return fault.desc.error.value_or(defaultError);
}

void CountCall(const char* api) {
  auto& calls = P().calls;
  auto found = calls.find(std::string_view(api));
  if (found != calls.end()) {
    ++found->second;
    return;
  }
  calls.emplace(api, 1);
}

void ResetFaultsAndCalls() {
  P().faults.clear();
  P().calls.clear();
}

void Fail(const std::string& api, const FaultSpec& desc) {
  auto lock = Lock();
  PlannedFault fault{desc, desc.skip, desc.times};
  P().faults.insert_or_assign(api, fault);
}

std::map<std::string, uint64_t> CallCounts() {
  auto lock = Lock();
  return {P().calls.begin(), P().calls.end()};
}

}  // namespace sim
