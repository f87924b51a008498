// The service host's tests: a service process with a chosen feature word
// and the shared objects the service main function creates, the laptop's
// codec and speakers, the host's routines run on simulated threads of the
// process, and what they traced since a mark.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "support/service_fixture.h"

namespace koru {

class ServiceLifeTest : public ServiceTest {
 protected:
  // Stores the feature word, starts the service process, creates the
  // shared objects and marks the trace.
  void StartWith(DWORD features);
  // The codec's interface and the speakers as the default output.
  static void Laptop();

  // Runs `routine` on a new thread of the service process that has joined
  // COM apartment-threaded, and settles.
  void OnComThread(const std::function<void()>& routine);
  // The endpoint side initialised, as the service main function does it.
  void InitializeEndpointSide();
  // Starts `routine` as the service starts a worker, and settles.
  void StartThread(LPTHREAD_START_ROUTINE routine);
  // Releases a semaphore of the shared objects, and settles.
  void Release(HANDLE semaphore);

  // Trace messages since the mark (or the last NewTrace).
  std::vector<std::wstring> NewTrace();
  static int Count(const std::vector<std::wstring>& messages, const std::wstring& message);
  // Open handles of one kind ("Thread", "Semaphore", "File") in the process.
  static int OpenOfKind(const std::string& kind);

 private:
  size_t mark_ = 0;
};

}  // namespace koru
