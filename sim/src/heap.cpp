// The process heap: blocks are tracked, so that freeing a block the heap
// never gave out is recorded instead of corrupting memory.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "kernel.h"
#include "kernel_state.h"
#include "sim/win32/kernel.h"

namespace sim {
namespace {

// The process heap is not an object of the handle table: it cannot be
// closed and every process has one.
HANDLE const kProcessHeap = reinterpret_cast<HANDLE>(uintptr_t{0x00D10000});

std::map<void*, SIZE_T>& Blocks() {
  static auto* blocks = new std::map<void*, SIZE_T>;
  return *blocks;
}

bool CheckHeap(HANDLE heap, const char* api) {
  if (heap == kProcessHeap) return true;
  char text[96];
  std::snprintf(text, sizeof text, "%s: %p is not a heap handle", api, heap);
  RecordHandleFault(text);
  return false;
}

}  // namespace

void ResetHeap() {
  for (auto& [block, size] : Blocks()) std::free(block);
  Blocks().clear();
}

}  // namespace sim

HANDLE WINAPI GetProcessHeap() {
  sim::Enter("GetProcessHeap", ERROR_SUCCESS);
  return sim::kProcessHeap;
}

LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
  if (auto error = sim::Enter("HeapAlloc", ERROR_NOT_ENOUGH_MEMORY)) {
    SetLastError(*error);
    return nullptr;
  }
  auto lock = sim::Lock();
  if (!sim::CheckHeap(hHeap, "HeapAlloc")) return nullptr;
  // A zero-byte block is still a distinct block, as on Windows.
  void* block = std::malloc(dwBytes == 0 ? 1 : dwBytes);
  if (block == nullptr) return nullptr;
  if ((dwFlags & HEAP_ZERO_MEMORY) != 0) std::memset(block, 0, dwBytes);
  sim::Blocks()[block] = dwBytes;
  return block;
}

BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem) {
  (void)dwFlags;
  if (auto error = sim::Enter("HeapFree", ERROR_INVALID_PARAMETER)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  if (!sim::CheckHeap(hHeap, "HeapFree")) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // Freeing a null pointer succeeds and does nothing.
  if (lpMem == nullptr) return TRUE;
  auto found = sim::Blocks().find(lpMem);
  if (found == sim::Blocks().end()) {
    char text[96];
    std::snprintf(text, sizeof text, "HeapFree of %p, which the heap did not allocate", lpMem);
    lock.unlock();
    sim::RecordProblem(text);
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::free(found->first);
  sim::Blocks().erase(found);
  return TRUE;
}
