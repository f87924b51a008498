// The Windows executable's process life: static initialisation builds the
// process-wide objects before wmain runs, and static destruction tears
// them down at exit. Only the Windows build compiles this file.
#include "service/process_life.h"

namespace {

class ProcessObjects {
 public:
  ProcessObjects() { StartProcessObjects(); }
  ~ProcessObjects() { EndProcessObjects(); }
  ProcessObjects(const ProcessObjects&) = delete;
  ProcessObjects& operator=(const ProcessObjects&) = delete;
};

ProcessObjects processObjects;

}  // namespace

int wmain(int argc, wchar_t* argv[]) { return ServiceEntry(argc, argv); }
