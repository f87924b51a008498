// Owners for what the device link takes from SetupAPI and the process heap:
// the device-information set, and heap blocks that one owner frees, or
// hands over to another one.
#pragma once

#include <utility>

#include "platform/unique_handle.h"
#include "platform/win32.h"

// SetupDiGetClassDevsW reports failure with INVALID_HANDLE_VALUE.
struct DeviceInfoSetTraits {
  using Type = HDEVINFO;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type set) { SetupDiDestroyDeviceInfoList(set); }
};
using UniqueDeviceInfoSet = UniqueHandle<DeviceInfoSetTraits>;

// A block of the process heap, freed by its owner. A block can be handed
// over: the new owner frees it, and this one may still read it for as long
// as the new owner keeps it.
template <typename T>
class HeapBlock {
 public:
  HeapBlock() = default;
  HeapBlock(const HeapBlock&) = delete;
  HeapBlock& operator=(const HeapBlock&) = delete;
  HeapBlock(HeapBlock&& other)
      : block_(std::exchange(other.block_, nullptr)), owned_(std::exchange(other.owned_, false)) {}
  HeapBlock& operator=(HeapBlock&& other) {
    if (this != &other) {
      reset();
      block_ = std::exchange(other.block_, nullptr);
      owned_ = std::exchange(other.owned_, false);
    }
    return *this;
  }
  ~HeapBlock() { reset(); }

  // A zeroed block of `bytes`; false when the heap has none.
  bool allocate(SIZE_T bytes) {
    reset();
    block_ = static_cast<T*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes));
    owned_ = block_ != nullptr;
    return owned_;
  }

  T* get() const { return block_; }
  bool owned() const { return owned_; }

  // Gives the block to a new owner, who frees it with HeapFree on the process
  // heap (or through Adopt). Null when there is none or it was handed over.
  T* handOver() {
    if (!owned_) return nullptr;
    owned_ = false;
    return block_;
  }
  // Takes over a block that was handed over.
  static HeapBlock Adopt(T* block) {
    HeapBlock adopted;
    adopted.block_ = block;
    adopted.owned_ = block != nullptr;
    return adopted;
  }

  void reset() {
    T* old = std::exchange(block_, nullptr);
    if (std::exchange(owned_, false)) HeapFree(GetProcessHeap(), 0, old);
  }

 private:
  T* block_ = nullptr;
  bool owned_ = false;
};
