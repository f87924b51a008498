// Helpers shared by the kernel's own files, and the reset functions that
// Reset calls in order once every simulated thread has ended (lock held).
#pragma once

#include <cstdio>
#include <string>

namespace sim {

void ResetCriticalSections();
void ResetSlimLocks();
void ResetHeap();
void ResetProblemsAndRecording();

// An address as problem reports show it.
inline std::string AddressText(const void* address) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", address);
  return text;
}

}  // namespace sim
