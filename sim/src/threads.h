// Simulated threads as kernel objects: the waitable object behind a thread
// handle, signalled when the thread ends, and the start of a thread.
#pragma once

#include <functional>
#include <memory>

#include "kernel.h"

namespace sim {

struct ThreadRecord;

class ThreadObject : public Object {
 public:
  static constexpr HandleKind kKind = HandleKind::Thread;
  HandleKind Kind() const override { return kKind; }
  bool Waitable() const override { return true; }
  bool Signaled() const override { return finished; }

  DWORD id = 0;
  bool finished = false;
  DWORD exitCode = STILL_ACTIVE;
  std::weak_ptr<ThreadRecord> record;
};

// Starts a simulated thread of `process` (null: the machine's own) that runs
// `routine` through the trampoline (lock held). It runs when the scheduler
// lets it.
std::shared_ptr<ThreadRecord> SpawnThread(std::shared_ptr<Process> process,
                                          std::function<DWORD()> routine);
void ResetThreadIds();

}  // namespace sim
