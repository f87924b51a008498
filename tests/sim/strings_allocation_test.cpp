// The string functions format and convert in the caller's buffers: not one
// heap allocation, as the service's trace line needs. Counted through the
// sanitizer allocator's hooks, so only in sanitizer builds.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>

#include "sim/win32/strings.h"

#include "allocation_counter.h"

namespace {

using allocation_counter::AllocationsOf;
bool CanCount() { return allocation_counter::CanCountAllocations(); }

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
