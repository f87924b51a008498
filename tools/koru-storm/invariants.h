// What must hold after every step of a storm, whatever happened before.
#pragma once

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
std::optional<Violation> BrokenInvariant(bool settled);

}  // namespace koru::storm
