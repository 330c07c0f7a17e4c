// SPDX-License-Identifier: GPL-3.0-or-later
// The global operator new and delete, counting. Each block is counted at its
// usable size (what malloc really set aside for it, short of its own
// header), so a count shows the memory a structure occupies, not what it
// asked for.
#include "CountingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include <malloc.h>

namespace {

std::atomic<size_t> liveBytes{0};
std::atomic<size_t> liveBlocks{0};
std::atomic<size_t> allocations{0};

void* counted(void* p)
{
    if (p) {
        liveBytes.fetch_add(malloc_usable_size(p), std::memory_order_relaxed);
        liveBlocks.fetch_add(1, std::memory_order_relaxed);
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
    return p;
}

void release(void* p) noexcept
{
    if (!p)
        return;
    liveBytes.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    std::free(p);
}

void* allocate(size_t size)
{
    if (void* p = counted(std::malloc(size ? size : 1)))
        return p;
    throw std::bad_alloc();
}

void* allocateAligned(size_t size, std::align_val_t align)
{
    const size_t a = static_cast<size_t>(align);
    // aligned_alloc wants a size that is a multiple of the alignment.
    const size_t rounded = (size + a - 1) / a * a;
    if (void* p = counted(std::aligned_alloc(a, rounded ? rounded : a)))
        return p;
    throw std::bad_alloc();
}

} // namespace

namespace tosk::bench {

HeapCount heapCount()
{
    return {liveBytes.load(std::memory_order_relaxed), liveBlocks.load(std::memory_order_relaxed),
            allocations.load(std::memory_order_relaxed)};
}

} // namespace tosk::bench

void* operator new(size_t size)
{
    return allocate(size);
}
void* operator new[](size_t size)
{
    return allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return counted(std::malloc(size ? size : 1));
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return counted(std::malloc(size ? size : 1));
}
void* operator new(size_t size, std::align_val_t align)
{
    return allocateAligned(size, align);
}
void* operator new[](size_t size, std::align_val_t align)
{
    return allocateAligned(size, align);
}
void* operator new(size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    try {
        return allocateAligned(size, align);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    try {
        return allocateAligned(size, align);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void operator delete(void* p) noexcept
{
    release(p);
}
void operator delete[](void* p) noexcept
{
    release(p);
}
void operator delete(void* p, size_t) noexcept
{
    release(p);
}
void operator delete[](void* p, size_t) noexcept
{
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    release(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    release(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept
{
    release(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept
{
    release(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    release(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    release(p);
}
