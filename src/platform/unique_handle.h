// One owner for every kind of Win32 handle: a move-only wrapper keyed on
// traits that name the handle type, its invalid value and its close call.
#pragma once

#include <utility>

#include "platform/win32.h"

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Type get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }

  // For out-parameters: the old handle is closed first, so that a call that
  // fills the slot can never leak what was there.
  Type* put() {
    reset();
    return &handle_;
  }

  // Hands the handle to the caller, who closes it from now on.
  Type release() { return std::exchange(handle_, Traits::Invalid()); }

  void reset(Type handle = Traits::Invalid()) {
    Type old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  Type handle_ = Traits::Invalid();
};

// Events, semaphores, threads, processes and tokens: NULL when absent.
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { CloseHandle(handle); }
};

// CreateFileW reports failure with INVALID_HANDLE_VALUE, not NULL.
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { CloseHandle(handle); }
};

struct RegistryKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type key) { RegCloseKey(key); }
};

// Service control manager and service handles alike.
struct ServiceHandleTraits {
  using Type = SC_HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { CloseServiceHandle(handle); }
};

struct EventSourceTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type source) { DeregisterEventSource(source); }
};

// CreateEnvironmentBlock's block, released with DestroyEnvironmentBlock.
struct EnvironmentBlockTraits {
  using Type = LPVOID;
  static Type Invalid() { return nullptr; }
  static void Close(Type block) { DestroyEnvironmentBlock(block); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueHkey = UniqueHandle<RegistryKeyTraits>;
using UniqueScHandle = UniqueHandle<ServiceHandleTraits>;
using UniqueEventSource = UniqueHandle<EventSourceTraits>;
using UniqueEnvironmentBlock = UniqueHandle<EnvironmentBlockTraits>;
