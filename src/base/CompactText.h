// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Text in 16 bytes where std::string takes 32: up to 15 bytes are kept
// inside, a longer text in one block of its exact size. A patch keeps one
// for each of its fields, and most of them are short (names, numbers,
// references).

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tosk {

class CompactText {
public:
    static constexpr size_t kInline = 15;

    CompactText() { setInlineSize(0); }
    CompactText(std::string_view text) { init(text); }
    CompactText(const CompactText& other) { init(other.view()); }
    CompactText(CompactText&& other) noexcept
    {
        std::memcpy(bytes_, other.bytes_, sizeof bytes_);
        other.setInlineSize(0);
    }
    CompactText& operator=(const CompactText& other)
    {
        assign(other.view());
        return *this;
    }
    CompactText& operator=(CompactText&& other) noexcept
    {
        if (this != &other) {
            release();
            std::memcpy(bytes_, other.bytes_, sizeof bytes_);
            other.setInlineSize(0);
        }
        return *this;
    }
    ~CompactText() { release(); }

    // The text may be a view of this very text.
    void assign(std::string_view text)
    {
        // Short text over short text is written in place: building a copy
        // and moving it in reads back, as one wide load, bytes just stored
        // one by one, which stalls the processor on every field read.
        if (text.size() <= kInline && !onHeap()) {
            if (!text.empty())
                std::memmove(bytes_, text.data(), text.size());
            setInlineSize(text.size());
            return;
        }
        CompactText fresh(text);
        *this = std::move(fresh);
    }

    std::string_view view() const
    {
        if (!onHeap())
            return {bytes_, kInline - static_cast<size_t>(tag())};
        const char* p;
        uint32_t n;
        std::memcpy(&p, bytes_, sizeof p);
        std::memcpy(&n, bytes_ + sizeof p, sizeof n);
        return {p, n};
    }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }
    size_t size() const { return view().size(); }
    bool empty() const { return size() == 0; }

private:
    // The last byte tells the two apart: inside, it is the room left (so a
    // text of 15 bytes ends in a zero byte); on the heap, it is kHeap.
    static constexpr unsigned char kHeap = 0xFF;

    unsigned char tag() const { return static_cast<unsigned char>(bytes_[kInline]); }
    bool onHeap() const { return tag() == kHeap; }
    void setInlineSize(size_t n) { bytes_[kInline] = static_cast<char>(kInline - n); }

    void init(std::string_view text)
    {
        if (text.size() <= kInline) {
            if (!text.empty())
                std::memcpy(bytes_, text.data(), text.size());
            setInlineSize(text.size());
            return;
        }
        char* p = new char[text.size()];
        std::memcpy(p, text.data(), text.size());
        const auto n = static_cast<uint32_t>(text.size());
        std::memcpy(bytes_, &p, sizeof p);
        std::memcpy(bytes_ + sizeof p, &n, sizeof n);
        bytes_[kInline] = static_cast<char>(kHeap);
    }
    void release()
    {
        if (!onHeap())
            return;
        char* p;
        std::memcpy(&p, bytes_, sizeof p);
        delete[] p;
        setInlineSize(0);
    }

    alignas(8) char bytes_[kInline + 1];
};

} // namespace tosk
