// Binds the service's process routines to the simulated machine.
#include "service_program.h"

#include "service/process_life.h"

namespace koru {

sim::Program ServiceProgram() {
  sim::Program program;
  program.startUp = &StartProcessObjects;
  program.entry = &ServiceEntry;
  program.shutDown = &EndProcessObjects;
  return program;
}

}  // namespace koru
