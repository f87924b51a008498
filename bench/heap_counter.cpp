// Replaced global allocation functions that count every allocation. They sit
// in a file of their own so that no caller sees them inlined.
#include "heap_counter.h"

#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::uint64_t> heapAllocations{0};
std::atomic<std::int64_t> heapBytesLive{0};

void* Counted(void* memory) {
  if (memory == nullptr) return nullptr;
  heapAllocations.fetch_add(1, std::memory_order_relaxed);
  heapBytesLive.fetch_add(static_cast<std::int64_t>(malloc_usable_size(memory)),
                          std::memory_order_relaxed);
  return memory;
}

void* CountedAllocation(std::size_t size) { return Counted(std::malloc(size == 0 ? 1 : size)); }

void* CountedAlignedAllocation(std::size_t size, std::align_val_t alignment) {
  std::size_t align = static_cast<std::size_t>(alignment);
  return Counted(std::aligned_alloc(align, (size + align - 1) / align * align));
}

void Free(void* memory) {
  if (memory == nullptr) return;
  heapBytesLive.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(memory)),
                          std::memory_order_relaxed);
  std::free(memory);
}

}  // namespace

std::uint64_t HeapAllocations() { return heapAllocations.load(); }
std::int64_t HeapBytesLive() { return heapBytesLive.load(); }

std::int64_t ResidentKib() {
  std::FILE* status = std::fopen("/proc/self/statm", "r");
  if (status == nullptr) return 0;
  long pages = 0;
  long resident = 0;
  const int read = std::fscanf(status, "%ld %ld", &pages, &resident);
  std::fclose(status);
  return read == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

void* operator new(std::size_t size) {
  if (void* memory = CountedAllocation(size)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return CountedAllocation(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return CountedAllocation(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  if (void* memory = CountedAlignedAllocation(size, alignment)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return operator new(size, alignment);
}
void operator delete(void* memory) noexcept { Free(memory); }
void operator delete[](void* memory) noexcept { Free(memory); }
void operator delete(void* memory, std::size_t) noexcept { Free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { Free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { Free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { Free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { Free(memory); }
