// Counts the heap allocations a piece of work makes on the calling thread,
// through the sanitizer allocator's hooks; builds without AddressSanitizer
// cannot count (CanCountAllocations() is false there).
#pragma once

#include <cstddef>
#include <mutex>

#if defined(__SANITIZE_ADDRESS__)
#define KORU_ALLOCATION_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORU_ALLOCATION_HOOKS 1
#endif
#endif

#ifdef KORU_ALLOCATION_HOOKS
// Exported by the sanitizer runtimes; no header of gcc declares it.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*,
                                                                            size_t),
                                                         void (*freeHook)(const volatile void*));
#endif

namespace allocation_counter {

#ifdef KORU_ALLOCATION_HOOKS
// Only the measuring thread counts: other threads may allocate meanwhile.
inline thread_local bool tCounting = false;
inline thread_local size_t tAllocations = 0;

inline void CountAllocation(const volatile void*, size_t) {
  if (tCounting) ++tAllocations;
}
inline void IgnoreFree(const volatile void*) {}

// The runtime keeps every pair of hooks installed, so they are installed
// once for the whole binary (not once per caller).
inline void InstallHooks() {
  static std::once_flag once;
  std::call_once(once,
                 [] { __sanitizer_install_malloc_and_free_hooks(CountAllocation, IgnoreFree); });
}
#endif

inline constexpr bool CanCountAllocations() {
#ifdef KORU_ALLOCATION_HOOKS
  return true;
#else
  return false;
#endif
}

// Heap allocations that `work` makes on the calling thread; 0 when the
// build cannot count them.
template <typename Work>
size_t AllocationsOf(Work work) {
#ifdef KORU_ALLOCATION_HOOKS
  InstallHooks();
  tAllocations = 0;
  tCounting = true;
  work();
  tCounting = false;
  return tAllocations;
#else
  work();
  return 0;
#endif
}

}  // namespace allocation_counter
