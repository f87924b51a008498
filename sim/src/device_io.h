// Requests on device files: the file object behind a handle from
// CreateFileW, the request that a synchronous DeviceIoControl carries
// through its turn on the file and the driver, and the driver interface.
//
// A file's requests are carried out one at a time, first come first
// served, as Windows does for a file object opened for synchronous I/O: a
// request waits for its turn before the driver sees it. A request ends in
// exactly one way: the driver completes it, its thread's I/O is cancelled
// or the thread unwinds, its file is closed (ERROR_OPERATION_ABORTED), or
// its device goes away (ERROR_DEVICE_NOT_CONNECTED).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "devices.h"
#include "kernel.h"

namespace sim::dev {

struct IoRequest;

// One CreateFileW: its device, as it was when the file was opened.
struct OpenFile {
  std::shared_ptr<DeviceRecord> device;
  uint64_t generation = 0;
  HANDLE handle = nullptr;
  bool closed = false;
  // The request carried out now first, then those waiting for their turn.
  std::deque<std::shared_ptr<IoRequest>> queue;

  // Whether the device was taken away since the file was opened.
  bool DeviceGone() const { return !device->info.present || device->generation != generation; }
};

struct IoRequest {
  std::shared_ptr<OpenFile> file;
  DWORD code = 0;
  std::vector<uint8_t> input;
  // The caller's output buffer, copied in and back out when the call returns.
  std::vector<uint8_t> output;
  DWORD threadId = 0;
  DWORD processId = 0;
  bool dispatched = false;  // the driver has it
  bool done = false;
  DWORD error = 0;
  DWORD bytes = 0;
  size_t logIndex = 0;  // the driver's record of it

  bool HasTurn() const { return !file->queue.empty() && file->queue.front().get() == this; }
};

// The driver behind a device's files. Every call is made with the machine
// lock held.
class Driver {
 public:
  virtual ~Driver() = default;
  // The request's turn has come: complete it with CompleteRequest, or keep
  // it pending.
  virtual void Dispatch(const std::shared_ptr<IoRequest>& request) = 0;
  // A pending request is being ended from outside (cancelled, its file
  // closed, its device gone): drop every reference to it.
  virtual void Withdraw(const IoRequest& request) = 0;
  // The request the driver received has ended (however it ended).
  virtual void Finished(const IoRequest& request) = 0;
};

// ---- lock held for all -----------------------------------------------------

// A new request of the calling thread, queued on its file.
std::shared_ptr<IoRequest> Submit(const std::shared_ptr<OpenFile>& file, DWORD code,
                                  std::vector<uint8_t> input, std::vector<uint8_t> output);
// Hands the request to the driver of its device.
void DispatchRequest(const std::shared_ptr<IoRequest>& request);
// Ends the request with this error (0: success) and byte count, and gives the
// next request on its file its turn.
void CompleteRequest(IoRequest& request, DWORD error, DWORD bytes);
// Ends a request that has not ended yet from outside the driver: withdrawn
// from the driver when it has it, out of its file's queue otherwise.
void AbortRequest(IoRequest& request, DWORD error);
// The call has returned: the request is forgotten.
void Retire(const IoRequest& request);
// The request the thread waits in, or null.
std::shared_ptr<IoRequest> RequestOfThread(DWORD threadId);
// The file is closed: its requests end with ERROR_OPERATION_ABORTED.
void CloseFile(OpenFile& file);
// The device went away: the requests the driver holds for its files end
// with ERROR_DEVICE_NOT_CONNECTED.
void FailRequestsOf(const DeviceRecord& device);

// The object behind a device-file handle. The handle table holds the only
// reference to it, so its destructor runs exactly when the handle is closed
// (or its process ends): the moment Windows sends the driver the cleanup
// of the file object.
class DeviceFile : public Object {
 public:
  static constexpr HandleKind kKind = HandleKind::File;
  explicit DeviceFile(std::shared_ptr<OpenFile> file) : file_(std::move(file)) {}
  ~DeviceFile() override { CloseFile(*file_); }
  HandleKind Kind() const override { return kKind; }
  const std::shared_ptr<OpenFile>& file() const { return file_; }

 private:
  std::shared_ptr<OpenFile> file_;
};

}  // namespace sim::dev
