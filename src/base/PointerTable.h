// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tosk {

// A number per object in one flat table of slots, keyed by the object's
// address: no node per object to chase in memory, and no sort to build it.
template <typename T> class PointerTable {
public:
    static constexpr size_t npos = static_cast<size_t>(-1);
    explicit PointerTable(size_t expected = 0) { clear(expected); }
    // Empties the table, with room for `expected` objects.
    void clear(size_t expected)
    {
        size_t size = 16;
        while (size < 2 * expected)
            size *= 2;
        slots_.assign(size, Slot{});
        count_ = 0;
    }
    // Gives the object a number unless it has one: answers the number kept.
    size_t insert(const T* object, size_t value)
    {
        size_t at = slotOf(object);
        if (slots_[at].object)
            return slots_[at].value;
        if (2 * (count_ + 1) > slots_.size()) {
            std::vector<Slot> old = std::move(slots_);
            slots_.assign(old.size() * 2, Slot{});
            for (const Slot& slot : old)
                if (slot.object)
                    slots_[slotOf(slot.object)] = slot;
            at = slotOf(object);
        }
        slots_[at] = Slot{object, value};
        ++count_;
        return value;
    }
    // Asks for the object's slot to be read from memory ahead of an insert
    // or find: in a table of thousands, each one is a cache miss otherwise.
    // A walk over a list asks this many objects ahead, far enough for the
    // slot to arrive before it is used.
    static constexpr size_t kAhead = 8;
    void prefetch(const T* object) const { __builtin_prefetch(&slots_[homeOf(object)]); }
    // npos when the object has no number.
    size_t find(const T* object) const
    {
        const Slot& slot = slots_[slotOf(object)];
        return slot.object ? slot.value : npos;
    }

private:
    struct Slot {
        const T* object = nullptr; // none: the slot is free
        size_t value = 0;
    };
    // The object's slot, or the free slot where it would go.
    size_t homeOf(const T* object) const
    {
        // Objects are heap blocks or parts of them: their low bits say little.
        const uint64_t h = (uint64_t(reinterpret_cast<uintptr_t>(object)) >> 4) * 0x9E3779B97F4A7C15ull;
        return size_t(h ^ (h >> 32)) & (slots_.size() - 1);
    }
    size_t slotOf(const T* object) const
    {
        const size_t mask = slots_.size() - 1;
        size_t at = homeOf(object);
        while (slots_[at].object && slots_[at].object != object)
            at = (at + 1) & mask;
        return at;
    }

    std::vector<Slot> slots_; // a power of two long, at most half used
    size_t count_ = 0;
};

} // namespace tosk
