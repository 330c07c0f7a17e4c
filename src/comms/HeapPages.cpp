// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/HeapPages.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#if defined(__GLIBC__) && defined(__linux__)
#include <malloc.h>
#include <sys/mman.h>
#endif

namespace tosk {

void useLargeHeapPages(size_t room)
{
#if defined(__GLIBC__) && defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
    // The C library maps blocks of 32 MB and more apart at most: smaller
    // ones come from the main heap, and the heap keeps what is freed (up to
    // twice the room, so that the marked room itself is never handed back)
    // instead of giving it back to be faulted in again.
    constexpr size_t kMostFromHeap = size_t{32} << 20;
    // Each block taken writes its header in one page: few and large blocks.
    constexpr size_t kStep = kMostFromHeap - (size_t{1} << 20);
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(kMostFromHeap));
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * room));
    // Grow the heap by the room, mark it, and give it back to the heap:
    // later blocks are carved from marked room.
    void* blocks[64] = {};
    size_t count = 0;
    uintptr_t low = UINTPTR_MAX, high = 0;
    for (size_t taken = 0; taken < room && count < std::size(blocks); taken += kStep) {
        void* block = std::malloc(kStep);
        if (!block)
            break;
        blocks[count++] = block;
        low = std::min(low, reinterpret_cast<uintptr_t>(block));
        high = std::max(high, reinterpret_cast<uintptr_t>(block) + kStep);
    }
    const uintptr_t from = (low + kLargePage - 1) & ~(kLargePage - 1);
    const uintptr_t to = high & ~(kLargePage - 1);
    if (count > 0 && to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    while (count > 0)
        std::free(blocks[--count]);
#else
    (void)room;
#endif
}

} // namespace tosk
