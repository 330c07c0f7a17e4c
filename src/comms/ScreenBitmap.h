// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/Sysex.h"

#include <cstdint>

namespace tosk {

// A unit's display as its screen reply carries it: nibble-encoded, three
// big-endian words (width, height, byte count), then one bit per pixel, rows
// first to last, the most significant bit leftmost. A set bit is white.
class ScreenBitmap {
public:
    static constexpr uint32_t maxSide = 4096;

    // Decodes a payload; throws "ScreenBitmap.fromPayload" when the payload
    // is too short for its header or for the rows its size calls for.
    static ScreenBitmap fromPayload(const uint8_t* encoded, size_t length);
    static ScreenBitmap fromPayload(const Bytes& encoded) { return fromPayload(encoded.data(), encoded.size()); }

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    uint32_t byteCount() const { return byteCount_; }
    // Width / 8 rounded up, and the zero bytes that bring a BMP row to a
    // multiple of 4.
    static size_t bytesPerRow(uint32_t width) { return (size_t(width) + 7) / 8; }
    static size_t rowPadding(uint32_t width) { return (4 - bytesPerRow(width) % 4) % 4; }
    bool pixel(uint32_t x, uint32_t y) const;
    const Bytes& rows() const { return rows_; }

    // A one-bit Windows BMP file (black and white palette) that shows the
    // payload's first row at the top.
    Bytes bmpData() const;

    // The payload a unit would send for the given rows (for the simulator).
    static Bytes encodePayload(uint32_t width, uint32_t height, const Bytes& rows);

private:
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint32_t byteCount_ = 0;
    Bytes rows_;
};

} // namespace tosk
