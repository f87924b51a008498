// Every heap allocation of the benchmark binary, counted: the global
// allocation functions are replaced in heap_counter.cpp.
#pragma once

#include <cstdint>

// Allocations since the program started.
std::uint64_t HeapAllocations();
