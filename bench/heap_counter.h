// Every heap allocation of the benchmark binary, counted: the global
// allocation functions are replaced in heap_counter.cpp.
#pragma once

#include <cstdint>

// Allocations since the program started.
std::uint64_t HeapAllocations();
// Bytes of the heap blocks allocated through operator new and not yet
// freed, as the allocator sized them.
std::int64_t HeapBytesLive();
// The process's resident set, in KiB (0 when it cannot be read).
std::int64_t ResidentKib();
