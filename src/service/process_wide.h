// Storage for the service's process-wide objects and values. Each one is
// built explicitly, in the documented start-up order, by the process start-up
// routine, and destroyed in reverse order by the shut-down routine; nothing
// depends on the order of static initialisation between files. On Windows
// static initialisation runs those routines once per process; on the
// simulated machine every process life runs them again, so every flag,
// counter and object starts afresh.
#pragma once

#include <new>
#include <utility>

template <typename T>
class ProcessWide {
 public:
  constexpr ProcessWide() noexcept {}
  ProcessWide(const ProcessWide&) = delete;
  ProcessWide& operator=(const ProcessWide&) = delete;
  // Trivial on purpose: the shut-down routine destroys the object, never
  // the order of static destruction.
  ~ProcessWide() = default;

  template <typename... Args>
  T& Create(Args&&... args) {
    Destroy();
    T* object = ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
    live_ = true;
    return *object;
  }

  void Destroy() {
    if (!live_) return;
    live_ = false;
    get()->~T();
  }

  bool alive() const { return live_; }
  T* get() { return std::launder(reinterpret_cast<T*>(storage_)); }
  const T* get() const { return std::launder(reinterpret_cast<const T*>(storage_)); }
  T* operator->() { return get(); }
  const T* operator->() const { return get(); }
  T& operator*() { return *get(); }
  const T& operator*() const { return *get(); }

 private:
  // Zeroed, so that the constexpr constructor leaves nothing indeterminate:
  // only then is every ProcessWide constant-initialised, before any dynamic
  // initialiser (the Windows start-up object included) can run. Define each
  // one `constinit` so that the compiler keeps it that way.
  alignas(T) unsigned char storage_[sizeof(T)] = {};
  bool live_ = false;
};
