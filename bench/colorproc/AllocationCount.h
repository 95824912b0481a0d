#pragma once

#include <cstdint>

// Heap allocations made through operator new by every thread of the process
// since it started; the benchmark binary that links AllocationCount.cpp
// replaces the global operators to count them.
std::uint64_t allocationCount();
