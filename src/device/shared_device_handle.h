// The connector's device handle, shared by the threads that send requests
// on it. Each request holds a counted reference to the open handle for as
// long as it runs, and the handle is closed when the last reference goes:
// a Disconnect on another thread therefore never closes a handle under a
// request (which Windows could reuse for another object), and never waits
// for a request that the driver holds pending.
#pragma once

#include <memory>

#include "platform/unique_handle.h"
#include "platform/win32.h"

// A counted reference to an open device handle; null when the device was
// not open.
using DeviceHandleRef = std::shared_ptr<const UniqueFileHandle>;

class SharedDeviceHandle {
 public:
  SharedDeviceHandle() = default;
  SharedDeviceHandle(const SharedDeviceHandle&) = delete;
  SharedDeviceHandle& operator=(const SharedDeviceHandle&) = delete;

  // Holds a newly opened handle (or none) from now on; the reference to
  // the previous one is let go.
  void Replace(UniqueFileHandle handle);
  // Lets go of the reference this object holds. Returns whether it held one,
  // so that each handle is let go at most once.
  bool Release();
  // A reference for one request, or null when no handle is held.
  DeviceHandleRef Acquire() const;
  bool held() const;

 private:
  // Exchanges the held reference under the lock; the old one is released
  // by the caller, outside the lock, since closing it is a system call.
  DeviceHandleRef Exchange(DeviceHandleRef next);

  mutable SRWLOCK lock = SRWLOCK_INIT;
  DeviceHandleRef handle;
};
