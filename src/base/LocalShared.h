// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared ownership for objects a patch holds by the thousand (its fields):
// the two counts sit in front of the object in one block, 8 bytes instead of
// std::shared_ptr's 16-byte control block with its virtual table, and a
// pointer is 8 bytes instead of 16. The counts are plain integers, so an
// object held this way belongs to one thread at a time, as a patch does.

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace tosk {

template <typename T> class LocalWeak;

namespace detail {

template <typename T> struct LocalBlock {
    uint32_t strong = 1;
    // The strong owners together hold one weak count, so the block outlives
    // the object while weak pointers still look at it.
    uint32_t weak = 1;
    alignas(T) std::byte storage[sizeof(T)];

    T* object() { return std::launder(reinterpret_cast<T*>(storage)); }

    static void dropStrong(LocalBlock* b)
    {
        if (--b->strong != 0)
            return;
        b->object()->~T();
        dropWeak(b);
    }
    // Kept out of line: inlined, the delete here sends GCC's use-after-free
    // analysis down paths where another owner still holds the block.
    [[gnu::noinline]] static void dropWeak(LocalBlock* b)
    {
        if (--b->weak == 0)
            delete b;
    }
};

} // namespace detail

template <typename T> class LocalShared {
public:
    using Block = detail::LocalBlock<T>;

    LocalShared() = default;
    LocalShared(std::nullptr_t) {}
    LocalShared(const LocalShared& other) : block_(other.block_)
    {
        if (block_)
            ++block_->strong;
    }
    LocalShared(LocalShared&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
    LocalShared& operator=(const LocalShared& other)
    {
        LocalShared(other).swap(*this);
        return *this;
    }
    LocalShared& operator=(LocalShared&& other) noexcept
    {
        LocalShared(std::move(other)).swap(*this);
        return *this;
    }
    ~LocalShared() { reset(); }

    template <typename... Args> static LocalShared make(Args&&... args)
    {
        auto* block = new Block;
        try {
            ::new (static_cast<void*>(block->storage)) T(std::forward<Args>(args)...);
        } catch (...) {
            delete block;
            throw;
        }
        return LocalShared(block);
    }

    // Taken out of the pointer before the count drops: destroying the object
    // may reach this very pointer again through the objects it holds.
    void reset() noexcept
    {
        if (Block* b = std::exchange(block_, nullptr))
            Block::dropStrong(b);
    }
    void swap(LocalShared& other) noexcept { std::swap(block_, other.block_); }

    T* get() const { return block_ ? block_->object() : nullptr; }
    T* operator->() const { return block_->object(); }
    T& operator*() const { return *block_->object(); }
    explicit operator bool() const { return block_ != nullptr; }

    friend bool operator==(const LocalShared& a, const LocalShared& b) { return a.block_ == b.block_; }
    friend bool operator==(const LocalShared& a, std::nullptr_t) { return a.block_ == nullptr; }

private:
    friend class LocalWeak<T>;
    explicit LocalShared(Block* block) : block_(block) {}

    Block* block_ = nullptr;
};

template <typename T> class LocalWeak {
public:
    using Block = detail::LocalBlock<T>;

    LocalWeak() = default;
    LocalWeak(const LocalShared<T>& shared) : block_(shared.block_)
    {
        if (block_)
            ++block_->weak;
    }
    LocalWeak(const LocalWeak& other) : block_(other.block_)
    {
        if (block_)
            ++block_->weak;
    }
    LocalWeak(LocalWeak&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
    LocalWeak& operator=(const LocalWeak& other)
    {
        LocalWeak(other).swap(*this);
        return *this;
    }
    LocalWeak& operator=(LocalWeak&& other) noexcept
    {
        LocalWeak(std::move(other)).swap(*this);
        return *this;
    }
    ~LocalWeak() { reset(); }

    void reset() noexcept
    {
        if (Block* b = std::exchange(block_, nullptr))
            Block::dropWeak(b);
    }
    void swap(LocalWeak& other) noexcept { std::swap(block_, other.block_); }

    bool expired() const { return !block_ || block_->strong == 0; }
    LocalShared<T> lock() const
    {
        if (expired())
            return nullptr;
        ++block_->strong;
        return LocalShared<T>(block_);
    }

private:
    Block* block_ = nullptr;
};

} // namespace tosk

