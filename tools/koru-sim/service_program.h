// The service executable as the simulated machine runs it.
#pragma once

#include "sim/machine.h"

namespace koru {

// Start-up routine, wide entry point and shut-down routine of
// KoruAudioService.exe.
sim::Program ServiceProgram();

}  // namespace koru
