// Requests on device files: their queue per file, their hand-over to the
// driver, and every way a request ends.
#include "device_io.h"

#include <algorithm>
#include <map>

namespace sim::dev {
namespace {

// The request each thread waits in; a thread makes one synchronous call at
// a time. Never destroyed, so that nothing depends on the order of static
// destruction at exit.
std::map<DWORD, std::shared_ptr<IoRequest>>& InFlight() {
  static auto* requests = new std::map<DWORD, std::shared_ptr<IoRequest>>;
  return *requests;
}

void ResetRequests() { InFlight().clear(); }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetRequests), true);

void LeaveQueue(IoRequest& request) {
  auto& queue = request.file->queue;
  auto found = std::find_if(queue.begin(), queue.end(),
                            [&request](const auto& queued) { return queued.get() == &request; });
  if (found != queue.end()) queue.erase(found);
}

// Every request of the flight whose driver holds it and that `match` picks.
template <typename Match>
std::vector<std::shared_ptr<IoRequest>> Dispatched(const Match& match) {
  std::vector<std::shared_ptr<IoRequest>> picked;
  for (const auto& [thread, request] : InFlight()) {
    if (request->dispatched && !request->done && match(*request)) picked.push_back(request);
  }
  return picked;
}

}  // namespace

std::shared_ptr<IoRequest> Submit(const std::shared_ptr<OpenFile>& file, DWORD code,
                                  std::vector<uint8_t> input, std::vector<uint8_t> output) {
  auto request = std::make_shared<IoRequest>();
  request->file = file;
  request->code = code;
  request->input = std::move(input);
  request->output = std::move(output);
  request->threadId = CurrentThreadId();
  request->processId = CurrentProcessId();
  file->queue.push_back(request);
  InFlight()[request->threadId] = request;
  return request;
}

void DispatchRequest(const std::shared_ptr<IoRequest>& request) {
  request->dispatched = true;
  const std::shared_ptr<Driver>& driver = request->file->device->driver;
  if (!driver) {
    CompleteRequest(*request, ERROR_INVALID_FUNCTION, 0);
    return;
  }
  driver->Dispatch(request);
}

void CompleteRequest(IoRequest& request, DWORD error, DWORD bytes) {
  if (request.done) return;
  request.done = true;
  request.error = error;
  request.bytes = error == 0 ? bytes : 0;
  const std::shared_ptr<Driver>& driver = request.file->device->driver;
  if (request.dispatched && driver) driver->Finished(request);
  LeaveQueue(request);
  WakeWaiters();
}

void AbortRequest(IoRequest& request, DWORD error) {
  if (request.done) return;
  const std::shared_ptr<Driver>& driver = request.file->device->driver;
  if (request.dispatched && driver) driver->Withdraw(request);
  CompleteRequest(request, error, 0);
}

void Retire(const IoRequest& request) {
  auto found = InFlight().find(request.threadId);
  if (found != InFlight().end() && found->second.get() == &request) InFlight().erase(found);
}

std::shared_ptr<IoRequest> RequestOfThread(DWORD threadId) {
  auto found = InFlight().find(threadId);
  if (found == InFlight().end() || found->second->done) return nullptr;
  return found->second;
}

void CloseFile(OpenFile& file) {
  file.closed = true;
  // Copied: each abort takes the request out of the queue.
  std::deque<std::shared_ptr<IoRequest>> queue = file.queue;
  for (const auto& request : queue) AbortRequest(*request, ERROR_OPERATION_ABORTED);
}

void FailRequestsOf(const DeviceRecord& device) {
  auto ofDevice = [&device](const IoRequest& request) {
    return request.file->device.get() == &device;
  };
  for (const auto& request : Dispatched(ofDevice)) {
    AbortRequest(*request, ERROR_DEVICE_NOT_CONNECTED);
  }
}

}  // namespace sim::dev
