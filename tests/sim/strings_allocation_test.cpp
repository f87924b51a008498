// The string functions format and convert in the caller's buffers: not one
// heap allocation, as the service's trace line needs. Counted through the
// sanitizer allocator's hooks, so only in sanitizer builds.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <mutex>

#include "sim/win32/strings.h"

#if defined(__SANITIZE_ADDRESS__)
#define KORU_ALLOCATION_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORU_ALLOCATION_HOOKS 1
#endif
#endif

#ifdef KORU_ALLOCATION_HOOKS
// The sanitizer runtimes export this; gcc ships no header that declares it.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*,
                                                                            size_t),
                                                         void (*freeHook)(const volatile void*));
#endif

namespace {

#ifdef KORU_ALLOCATION_HOOKS
// Only the test's own thread counts: other threads may allocate meanwhile.
thread_local bool tCounting = false;
thread_local size_t tAllocations = 0;

void CountAllocation(const volatile void*, size_t) {
  if (tCounting) ++tAllocations;
}
void IgnoreFree(const volatile void*) {}

// Hooks cannot be removed once installed, so they are installed once.
void InstallHooks() {
  static std::once_flag once;
  std::call_once(once,
                 [] { __sanitizer_install_malloc_and_free_hooks(CountAllocation, IgnoreFree); });
}
#endif

// Heap allocations `work` makes on this thread.
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

bool CanCount() {
#ifdef KORU_ALLOCATION_HOOKS
  return true;
#else
  return false;
#endif
}

}  // namespace

TEST(StringsAllocation, TheCounterSeesAnAllocation) {
  if (!CanCount()) GTEST_SKIP() << "allocations are counted in sanitizer builds only";
  const size_t allocations = AllocationsOf([] { auto value = std::make_unique<int>(7); });
  EXPECT_EQ(1u, allocations);
}

TEST(StringsAllocation, FormattingAndConvertingAllocateNothing) {
  if (!CanCount()) GTEST_SKIP() << "allocations are counted in sanitizer builds only";
  wchar_t message[1024];
  wchar_t line[1024];
  char narrow[1024];
  wchar_t event[80];
  const size_t allocations = AllocationsOf([&] {
    wsprintfW(message, L"Start to change the endpoint, eRole is: %d", 2);
    wsprintfW(line, L"%02d:%02d:%02d.%03d [%d] %s %s\n", 12, 0, 0, 0, 1312, L"KoruAudioService",
              message);
    wsprintfA(narrow, "Set PropertyKey to %d : %ls %hs %S", 2, L"SPEAKER", "x", L"\u20ac");
    MultiByteToWideChar(CP_ACP, 0, narrow, -1, message, 1024);
    StringCchPrintfW(event, 80, L"%s failed with %d %f", L"RegisterServiceCtrlHandler", 6, 1.5);
    lstrcmpiW(L"INSTALL", L"install");
    StrCmpCW(L"a", L"b");
  });
  EXPECT_EQ(0u, allocations);
}
