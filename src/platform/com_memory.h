// Owners of what COM methods hand out to the caller: strings in task memory
// (device ids) and property values.
#pragma once

#include "platform/unique_handle.h"
#include "platform/win32.h"

struct CoTaskMemStringTraits {
  using Type = LPWSTR;
  static Type Invalid() { return nullptr; }
  static void Close(Type text) { CoTaskMemFree(text); }
};

using UniqueCoTaskMemString = UniqueHandle<CoTaskMemStringTraits>;

// A PROPVARIANT that starts empty and is cleared when it goes.
class ScopedPropVariant {
 public:
  ScopedPropVariant() = default;
  ScopedPropVariant(const ScopedPropVariant&) = delete;
  ScopedPropVariant& operator=(const ScopedPropVariant&) = delete;
  ~ScopedPropVariant() { clear(); }

  const PROPVARIANT& get() const { return value_; }
  // For out-parameters: what the value held so far is freed first.
  PROPVARIANT* put() {
    clear();
    return &value_;
  }

 private:
  void clear() {
    if (value_.vt != VT_EMPTY) PropVariantClear(&value_);
  }

  PROPVARIANT value_{};
};
