// One counted reference to a COM object: copying adds a reference, moving
// hands it on, resetting or destroying releases it.
#pragma once

#include <utility>

#include "platform/win32.h"

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr& other) : object_(other.object_) {
    if (object_ != nullptr) object_->AddRef();
  }
  ComPtr(ComPtr&& other) : object_(std::exchange(other.object_, nullptr)) {}
  ComPtr& operator=(const ComPtr& other) {
    ComPtr copy(other);
    swap(copy);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) {
    ComPtr taken(std::move(other));
    swap(taken);
    return *this;
  }
  ~ComPtr() { reset(); }

  // Takes over a reference the caller already holds.
  static ComPtr Adopt(T* object) {
    ComPtr adopted;
    adopted.object_ = object;
    return adopted;
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

  // For out-parameters: the reference held so far is released first, so a
  // call that fills the slot can never leak what was there.
  T** put() {
    reset();
    return &object_;
  }
  // The same, for the calls that hand out an interface as void**.
  void** put_void() { return reinterpret_cast<void**>(put()); }

  // Hands the reference to the caller, who releases it from now on.
  T* detach() { return std::exchange(object_, nullptr); }

  void reset() {
    if (T* old = std::exchange(object_, nullptr)) old->Release();
  }

  void swap(ComPtr& other) { std::swap(object_, other.object_); }

 private:
  T* object_ = nullptr;
};
