// CreateFileW on device-interface paths, synchronous DeviceIoControl and
// CancelSynchronousIo.
#include <cstring>
#include <string>

#include "device_io.h"
#include "sim/devices.h"
#include "sim/win32/devio.h"
#include "threads.h"

namespace sim::dev {
namespace {

template <typename T>
T Failed(DWORD error, T result) {
  SetLastErrorValue(error);
  return result;
}

std::vector<uint8_t> Bytes(LPCVOID buffer, DWORD size) {
  if (size == 0) return {};
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  return {bytes, bytes + size};
}

// Ends the request when its thread leaves DeviceIoControl through the
// unwinding path (TerminateThread, the end of the process): Windows cancels
// a thread's I/O when the thread ends. Runs with the machine lock held,
// since the lock is taken before this guard and released after it.
class AbortOnUnwind {
 public:
  explicit AbortOnUnwind(std::shared_ptr<IoRequest> request) : request_(std::move(request)) {}
  AbortOnUnwind(const AbortOnUnwind&) = delete;
  AbortOnUnwind& operator=(const AbortOnUnwind&) = delete;
  ~AbortOnUnwind() {
    AbortRequest(*request_, ERROR_OPERATION_ABORTED);
    Retire(*request_);
  }

 private:
  std::shared_ptr<IoRequest> request_;
};

std::string WaitText(const char* stage, DWORD code) {
  return std::string("DeviceIoControl(") + codec::CodeName(code) + ") " + stage;
}

// Blocks until `ready` holds; a wait that fails (the thread is unwinding
// already) ends the request as a cancellation would.
void AwaitRequest(std::unique_lock<std::mutex>& lock, IoRequest& request, const char* stage,
                  std::function<bool()> ready) {
  WaitFor wait{std::move(ready), nullptr, WaitText(stage, request.code)};
  if (Block(lock, wait, std::nullopt) == WaitResult::Failed) {
    AbortRequest(request, ERROR_OPERATION_ABORTED);
  }
}

// Carries the request through its turn and the driver (lock held).
void CarryOut(std::unique_lock<std::mutex>& lock, const std::shared_ptr<IoRequest>& request) {
  IoRequest& r = *request;
  AwaitRequest(lock, r, "waiting for its turn on the handle",
               [&r] { return r.done || r.HasTurn(); });
  if (!r.done) DispatchRequest(request);
  AwaitRequest(lock, r, "pending in the driver", [&r] { return r.done; });
}

BOOL Returned(const IoRequest& request, LPVOID out, DWORD outSize, LPDWORD bytesReturned) {
  if (outSize != 0) std::memcpy(out, request.output.data(), outSize);
  if (request.error != 0) return Failed(request.error, FALSE);
  *bytesReturned = request.bytes;
  return TRUE;
}

}  // namespace
}  // namespace sim::dev

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
  (void)dwDesiredAccess;
  (void)dwShareMode;
  (void)lpSecurityAttributes;
  (void)hTemplateFile;
  if (auto error = sim::Enter("CreateFileW", ERROR_ACCESS_DENIED)) {
    return sim::dev::Failed(*error, INVALID_HANDLE_VALUE);
  }
  if (lpFileName == nullptr) return sim::dev::Failed(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  // Devices exist already: they can only be opened.
  if (dwCreationDisposition != OPEN_EXISTING) {
    return sim::dev::Failed(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  }
  // The machine models synchronous device files only; the service opens
  // its handles without FILE_FLAG_OVERLAPPED.
  if ((dwFlagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0) {
    return sim::dev::Failed(ERROR_NOT_SUPPORTED, INVALID_HANDLE_VALUE);
  }
  auto lock = sim::Lock();
  std::shared_ptr<sim::dev::DeviceRecord> device = sim::dev::FindDevice(lpFileName);
  if (!device || !device->info.present) {
    return sim::dev::Failed(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  }
  auto file = std::make_shared<sim::dev::OpenFile>();
  file->device = device;
  file->generation = device->generation;
  file->handle = sim::AddHandle(std::make_shared<sim::dev::DeviceFile>(file));
  return file->handle;
}

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer,
                            DWORD nInBufferSize, LPVOID lpOutBuffer, DWORD nOutBufferSize,
                            LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped) {
  if (auto error = sim::Enter("DeviceIoControl", ERROR_GEN_FAILURE)) {
    return sim::dev::Failed(*error, FALSE);
  }
  if (lpOverlapped != nullptr) return sim::dev::Failed(ERROR_NOT_SUPPORTED, FALSE);
  if ((nInBufferSize != 0 && lpInBuffer == nullptr) ||
      (nOutBufferSize != 0 && lpOutBuffer == nullptr)) {
    return sim::dev::Failed(ERROR_NOACCESS, FALSE);
  }
  // Windows writes the byte count of a synchronous call through this
  // pointer unconditionally; without it the caller would crash.
  if (lpBytesReturned == nullptr) {
    sim::RecordProblem("DeviceIoControl without lpBytesReturned on a synchronous call");
    return sim::dev::Failed(ERROR_INVALID_PARAMETER, FALSE);
  }
  auto lock = sim::Lock();
  std::shared_ptr<sim::dev::OpenFile> file;
  // The file object is not kept beyond this block: the handle table must
  // hold its only reference (see DeviceFile).
  if (auto object = sim::Find<sim::dev::DeviceFile>(hDevice, "DeviceIoControl")) {
    file = object->file();
  }
  if (!file) return sim::dev::Failed(ERROR_INVALID_HANDLE, FALSE);
  auto request = sim::dev::Submit(file, dwIoControlCode, sim::dev::Bytes(lpInBuffer, nInBufferSize),
                                  sim::dev::Bytes(lpOutBuffer, nOutBufferSize));
  {
    sim::dev::AbortOnUnwind guard(request);
    sim::dev::CarryOut(lock, request);
  }
  return sim::dev::Returned(*request, lpOutBuffer, nOutBufferSize, lpBytesReturned);
}

BOOL WINAPI CancelSynchronousIo(HANDLE hThread) {
  if (auto error = sim::Enter("CancelSynchronousIo", ERROR_INVALID_HANDLE)) {
    return sim::dev::Failed(*error, FALSE);
  }
  auto lock = sim::Lock();
  auto thread = sim::Find<sim::ThreadObject>(hThread, "CancelSynchronousIo");
  if (!thread) return sim::dev::Failed(ERROR_INVALID_HANDLE, FALSE);
  std::shared_ptr<sim::dev::IoRequest> request = sim::dev::RequestOfThread(thread->id);
  if (!request) return sim::dev::Failed(ERROR_NOT_FOUND, FALSE);
  sim::dev::AbortRequest(*request, ERROR_OPERATION_ABORTED);
  return TRUE;
}
