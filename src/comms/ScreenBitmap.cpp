// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/ScreenBitmap.h"

#include "base/Log.h"
#include "base/TkxException.h"

namespace tosk {

namespace {

uint32_t bigEndian(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void putLittle(Bytes& out, uint32_t v, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

} // namespace

ScreenBitmap ScreenBitmap::fromPayload(const uint8_t* encoded, size_t length)
{
    Bytes decoded(length / 2 + 1);
    denibble(encoded, decoded.data(), length & ~size_t(1));
    size_t available = length / 2;
    if (available < 12)
        throw TkxException("ScreenBitmap.fromPayload",
                           format("screen data too short: %zu bytes, the header alone needs 12", available));
    ScreenBitmap bitmap;
    bitmap.width_ = bigEndian(&decoded[0]);
    bitmap.height_ = bigEndian(&decoded[4]);
    bitmap.byteCount_ = bigEndian(&decoded[8]);
    // No unit has a display this large; such sizes come from a damaged reply.
    if (bitmap.width_ > maxSide || bitmap.height_ > maxSide)
        throw TkxException("ScreenBitmap.fromPayload",
                           format("screen size %ux%u is larger than any display", bitmap.width_, bitmap.height_));
    // Rows are read from width and height alone; a payload that does not hold
    // them all is refused rather than read past.
    uint64_t needed = uint64_t(bytesPerRow(bitmap.width_)) * bitmap.height_;
    if (needed > available - 12)
        throw TkxException("ScreenBitmap.fromPayload",
                           format("screen data too short: %zu bytes of pixels for a %ux%u screen that needs %llu",
                                  available - 12, bitmap.width_, bitmap.height_, (unsigned long long)needed));
    bitmap.rows_.assign(decoded.begin() + 12, decoded.begin() + 12 + long(needed));
    return bitmap;
}

bool ScreenBitmap::pixel(uint32_t x, uint32_t y) const
{
    if (x >= width_ || y >= height_)
        return false;
    return rows_[y * bytesPerRow(width_) + x / 8] & (0x80 >> (x % 8));
}

Bytes ScreenBitmap::bmpData() const
{
    size_t bpr = bytesPerRow(width_), pad = rowPadding(width_);
    uint32_t imageSize = uint32_t((bpr + pad) * height_);
    Bytes out;
    out.reserve(62 + imageSize);
    out.push_back('B');
    out.push_back('M');
    putLittle(out, 62 + imageSize, 4); // file size
    putLittle(out, 0, 4);              // reserved
    putLittle(out, 62, 4);             // pixel data offset
    putLittle(out, 40, 4);             // information header size
    putLittle(out, width_, 4);
    putLittle(out, height_, 4); // positive: the last row in the file is the top row
    putLittle(out, 1, 2);       // planes
    putLittle(out, 1, 2);       // bits per pixel
    putLittle(out, 0, 4);       // no compression
    putLittle(out, imageSize, 4);
    putLittle(out, 0, 4); // horizontal resolution
    putLittle(out, 0, 4); // vertical resolution
    putLittle(out, 0, 4); // colours used
    putLittle(out, 0, 4); // important colours
    putLittle(out, 0x000000, 4);
    putLittle(out, 0xFFFFFF, 4);
    for (uint32_t r = height_; r-- > 0;) {
        auto row = rows_.begin() + long(r * bpr);
        out.insert(out.end(), row, row + long(bpr));
        out.insert(out.end(), pad, 0);
    }
    return out;
}

Bytes ScreenBitmap::encodePayload(uint32_t width, uint32_t height, const Bytes& rows)
{
    Bytes plain;
    for (uint32_t v : {width, height, uint32_t(rows.size())})
        for (int shift = 24; shift >= 0; shift -= 8)
            plain.push_back(uint8_t(v >> shift));
    plain.insert(plain.end(), rows.begin(), rows.end());
    Bytes encoded(plain.size() * 2);
    ennibble(plain.data(), encoded.data(), plain.size());
    return encoded;
}

} // namespace tosk
