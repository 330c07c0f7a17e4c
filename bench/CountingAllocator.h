// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the program has on the heap, counted by the replacement of the global
// operator new and delete in CountingAllocator.cpp (linked into the heap
// benchmark only). Blocks from malloc itself are not counted.
#include <cstddef>

namespace tosk::bench {

struct HeapCount {
    size_t liveBytes = 0;   // usable bytes of the blocks not yet freed
    size_t liveBlocks = 0;  // blocks not yet freed
    size_t allocations = 0; // blocks handed out since the start
};

HeapCount heapCount();

} // namespace tosk::bench
