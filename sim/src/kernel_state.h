// The reset functions of the kernel's own areas, which Reset calls in order
// once every simulated thread has ended (lock held).
#pragma once

namespace sim {

void ResetLocks();
void ResetHeap();
void ResetProblemsAndRecording();

}  // namespace sim
