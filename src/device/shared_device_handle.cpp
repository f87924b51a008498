// The connector's counted device handle.
#include "device/shared_device_handle.h"

#include <utility>

#include "platform/lock_guards.h"

void SharedDeviceHandle::Replace(UniqueFileHandle next) {
  DeviceHandleRef held;
  if (next) held = std::make_shared<const UniqueFileHandle>(std::move(next));
  Exchange(std::move(held));
}

bool SharedDeviceHandle::Release() { return Exchange(nullptr) != nullptr; }

DeviceHandleRef SharedDeviceHandle::Acquire() const {
  SharedSrwGuard guard(lock);
  return handle;
}

bool SharedDeviceHandle::held() const { return Acquire() != nullptr; }

DeviceHandleRef SharedDeviceHandle::Exchange(DeviceHandleRef next) {
  ExclusiveSrwGuard guard(lock);
  return std::exchange(handle, std::move(next));
}
