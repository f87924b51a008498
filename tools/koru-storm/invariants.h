// What must hold after every step of a storm, whatever happened before.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace koru::storm {

struct Violation {
  std::string invariant;    // what should have held
  std::string seen;         // what the machine shows instead
  std::string expectation;  // a scenario step that fails on it, when there is one
};

// The audits (handles, COM, the machine's own problems), at most one
// connector thread, the stored volumes and mutes in their range, and, once
// the machine has settled, no thread of the service still busy.
class Invariants {
 public:
  std::optional<Violation> Broken(bool settled);

 private:
  // Whether a service process has ended since the last look. The COM
  // objects that ended processes left are looked for only then: the
  // machine keeps every object until Reset, so the list takes longer to
  // walk as the storm goes on.
  bool ProcessEnded();

  uint32_t lastEnded_ = 0;
};

}  // namespace koru::storm
