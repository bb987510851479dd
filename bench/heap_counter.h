// Heap accounting for the benchmark binary: every global operator new and delete is counted,
// so a benchmark can read how much heap a piece of work held at its peak and how many
// allocations it made.
#pragma once

#include <cstdint>

namespace heap_counter {

// Bytes currently held through operator new (as the allocator rounds them).
uint64_t currentBytes();
// The highest currentBytes() since the last resetPeak().
uint64_t peakBytes();
void resetPeak();
// Number of operator new calls so far.
uint64_t allocations();

}  // namespace heap_counter
