// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/Sysex.h"
#include "comms/ScreenBitmap.h"
#include "comms/SysexReply.h"

#include "CommsTestSupport.h"

#include "base/TkxException.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

TEST(Sysex, NibblesAndFrames)
{
    const uint8_t source[] = {0x41, 0xF7, 0x00, 0x9C};
    uint8_t nibbles[8];
    ennibble(source, nibbles, 4);
    EXPECT_EQ(Bytes(nibbles, nibbles + 8), bytes({0x04, 0x01, 0x0F, 0x07, 0x00, 0x00, 0x09, 0x0C}));
    uint8_t back[4] = {};
    denibble(nibbles, back, 8);
    EXPECT_EQ(Bytes(back, back + 4), Bytes(source, source + 4));
    uint8_t one = 0;
    denibble(bytes({0x04, 0x01}).data(), &one, 2);
    EXPECT_EQ(one, 0x41);

    EXPECT_EQ(sysex::frame(3, 0x0B), bytes({0xF0, 0x1C, 0x70, 0x03, 0x0B, 0xF7}));
    EXPECT_EQ(sysex::frame(0, 0x31, "12 0"), bytes({0xF0, 0x1C, 0x70, 0x00, 0x31, '1', '2', ' ', '0', 0xF7}));
    EXPECT_EQ(hexString(bytes({0xF0, 0x0A, 0x1C}).data(), 3), "F0 0A 1C");
}

TEST(Sysex, ByteSearches)
{
    std::string text = "  Name: R9100\r\nSystem ROM";
    auto* b = reinterpret_cast<const uint8_t*>(text.data());
    auto* e = b + text.size();
    EXPECT_EQ(memSkip(b, ' ', e), b + 2);
    EXPECT_EQ(memSkip(b, ' ', b + 2), nullptr); // every byte equals it
    EXPECT_EQ(memSkip(e, ' ', b), nullptr);     // start past the end
    EXPECT_EQ(memChar(b, '\r', e), b + 13);
    EXPECT_EQ(memChar(b, 'Z', e), nullptr);
    EXPECT_EQ(memStr(b, "ROM", e), e - 3);
    EXPECT_EQ(memStr(b, "ROM", e - 1), nullptr); // must fit before the end
    EXPECT_EQ(memStr(b, "", e), nullptr);
    EXPECT_TRUE(isWhiteSpace('\t') && isWhiteSpace(' ') && isWhiteSpace('\r') && isWhiteSpace('\n'));
    EXPECT_FALSE(isWhiteSpace('\v') || isWhiteSpace(0));
    EXPECT_TRUE(isLineEnding('\r') && isLineEnding('\n'));
    EXPECT_FALSE(isLineEnding(' '));
}

TEST(SysexReply, LengthHeaderAndWhereThePayloadLies)
{
    EXPECT_EQ(SysexReply::check(bytes({0xF0, 0x1C, 0x70, 0, 0x0A})).status, SysexReply::Status::TooShort);

    // Text: the byte before the F7 is a terminator.
    auto r = SysexReply::check(bytes({0xF0, 0x1C, 0x70, 0x05, 0x0A, 'A', 'B', 0x00, 0xF7}));
    EXPECT_EQ(r.status, SysexReply::Status::Ok);
    EXPECT_EQ(r.deviceId, 5);
    EXPECT_EQ(r.command, 0x0A);
    EXPECT_EQ(r.payload, bytes("AB"));
    // A leading CR LF goes too.
    r = SysexReply::check(bytes({0xF0, 0x1C, 0x70, 0, 0x0A, '\r', '\n', 'A', 0x00, 0xF7}));
    EXPECT_EQ(r.payload, bytes("A"));
    // Screen data keeps everything to the F7.
    r = SysexReply::check(bytes({0xF0, 0x1C, 0x70, 0, 0x17, 1, 2, 3, 0xF7}));
    EXPECT_EQ(r.payload, bytes({1, 2, 3}));
    // Too short for the terminator or the CR LF's: no payload rather than a wrap-around.
    EXPECT_TRUE(SysexReply::check(bytes({0xF0, 0x1C, 0x70, 0, 0x0A, 0xF7})).payload.empty());
    EXPECT_TRUE(SysexReply::check(bytes({0xF0, 0x1C, 0x70, 0, 0x0A, '\r', '\n'})).payload.empty());
    EXPECT_TRUE(SysexReply::check(bytes({0xF0, 0x1C, 0x70, 0, 0x0A, '\r', '\n', 0xF7})).payload.empty());
}

TEST(ScreenBitmap, RowsPaddingAndBmpFile)
{
    // Width: bytes a row, then padding to a multiple of four.
    for (auto [width, bytes, padding] :
         {std::tuple{240u, 30u, 2u}, {320u, 40u, 0u}, {250u, 32u, 0u}, {236u, 30u, 2u}}) {
        EXPECT_EQ(ScreenBitmap::bytesPerRow(width), bytes) << width;
        EXPECT_EQ(ScreenBitmap::rowPadding(width), padding) << width;
    }

    // 10 x 2: two bytes a row, two padding bytes in the file.
    Bytes rows = bytes({0x80, 0x40, 0x00, 0xFF});
    ScreenBitmap s = ScreenBitmap::fromPayload(ScreenBitmap::encodePayload(10, 2, rows));
    EXPECT_EQ(s.width(), 10u);
    EXPECT_EQ(s.height(), 2u);
    EXPECT_EQ(s.byteCount(), 4u);
    EXPECT_TRUE(s.pixel(0, 0));
    EXPECT_FALSE(s.pixel(1, 0));
    EXPECT_TRUE(s.pixel(9, 0));
    EXPECT_FALSE(s.pixel(0, 1));
    EXPECT_FALSE(s.pixel(10, 0));
    Bytes bmp = s.bmpData();
    Bytes header = bytes({'B', 'M', 70, 0, 0,  0, 0, 0, 0, 0, 62, 0, 0, 0, // file size 62 + 8
                          40,  0,   0,  0, 10, 0, 0, 0, 2, 0, 0,  0, 1, 0, 1, 0, 0, 0, 0, 0, 8,    0,    0,    0,
                          0,   0,   0,  0, 0,  0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0});
    ASSERT_EQ(bmp.size(), 70u);
    EXPECT_EQ(Bytes(bmp.begin(), bmp.begin() + 62), header);
    // Bottom row first, so that the payload's first row shows at the top.
    EXPECT_EQ(Bytes(bmp.begin() + 62, bmp.end()), bytes({0x00, 0xFF, 0, 0, 0x80, 0x40, 0, 0}));

    ScreenBitmap empty = ScreenBitmap::fromPayload(ScreenBitmap::encodePayload(240, 0, {}));
    EXPECT_EQ(empty.height(), 0u);
    EXPECT_EQ(empty.bmpData().size(), 62u);
}

TEST(ScreenBitmap, RefusesPayloadsShorterThanTheirRows)
{
    auto reason = [](const Bytes& payload) {
        auto e = thrownBy([&] { ScreenBitmap::fromPayload(payload); });
        EXPECT_EQ(e.name(), "ScreenBitmap.fromPayload");
        return e.reason();
    };
    EXPECT_EQ(reason(Bytes(23, 0)), "screen data too short: 11 bytes, the header alone needs 12");
    Bytes payload = ScreenBitmap::encodePayload(240, 64, Bytes(30 * 63, 0xFF)); // one row short
    EXPECT_EQ(reason(payload), "screen data too short: 1890 bytes of pixels for a 240x64 screen that needs 1920");
    // Sizes no display has are refused before anything is built from them.
    payload = ScreenBitmap::encodePayload(0, 0xFFFFFFFF, Bytes(8, 0));
    EXPECT_EQ(reason(payload), "screen size 0x4294967295 is larger than any display");
    payload = ScreenBitmap::encodePayload(4097, 1, Bytes(600, 0));
    EXPECT_EQ(reason(payload), "screen size 4097x1 is larger than any display");
}
