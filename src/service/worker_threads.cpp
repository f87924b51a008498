// Starting a thread without keeping its handle.
#include "service/worker_threads.h"

#include "platform/unique_handle.h"

bool StartWorker(LPTHREAD_START_ROUTINE routine, LPVOID argument) {
  UniqueKernelHandle thread(CreateThread(nullptr, 0, routine, argument, 0, nullptr));
  return static_cast<bool>(thread);
}
