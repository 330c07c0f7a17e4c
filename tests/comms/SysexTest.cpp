// SPDX-License-Identifier: GPL-3.0-or-later
// Sysex framing and screen data, and what the editor and tosk-cli both check
// before a reply is used or a patch goes out.
#include "CommsTestSupport.h"

#include "comms/PatchTextCheck.h"
#include "comms/RequestProgress.h"
#include "comms/ScreenBitmap.h"
#include "comms/Sysex.h"
#include "comms/UnitSession.h"

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

TEST(ScreenBitmap, RowsPaddingBmpFileAndRefusals)
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
    std::string seen; // a column and a row past the screen's, which are never set
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 11; ++x)
            seen += s.pixel(x, y) ? '#' : '.';
    EXPECT_EQ(seen, "#........#."
                    "........##."
                    "...........");
    Bytes bmp = s.bmpData();
    Bytes header = bytes({'B', 'M', 70, 0, 0,  0, 0, 0, 0, 0, 62, 0, 0, 0, // file size 62 + 8
                          40,  0,   0,  0, 10, 0, 0, 0, 2, 0, 0,  0, 1, 0, 1, 0, 0, 0, 0, 0, 8,    0,    0,    0,
                          0,   0,   0,  0, 0,  0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0});
    ASSERT_EQ(bmp.size(), 70u);
    EXPECT_EQ(Bytes(bmp.begin(), bmp.begin() + 62), header);
    // Bottom row first, so that the payload's first row shows at the top.
    EXPECT_EQ(Bytes(bmp.begin() + 62, bmp.end()), bytes({0x00, 0xFF, 0, 0, 0x80, 0x40, 0, 0}));

    EXPECT_EQ(ScreenBitmap::fromPayload(ScreenBitmap::encodePayload(240, 0, {})).bmpData().size(), 62u);

    // Payloads shorter than their rows, and sizes no display has, are
    // refused before anything is built from them.
    auto reason = [](const Bytes& payload) { return thrownBy([&] { ScreenBitmap::fromPayload(payload); }).reason(); };
    EXPECT_EQ(reason(Bytes(23, 0)), "screen data too short: 11 bytes, the header alone needs 12");
    Bytes payload = ScreenBitmap::encodePayload(240, 64, Bytes(30 * 63, 0xFF)); // one row short
    EXPECT_EQ(reason(payload), "screen data too short: 1890 bytes of pixels for a 240x64 screen that needs 1920");
    payload = ScreenBitmap::encodePayload(0, 0xFFFFFFFF, Bytes(8, 0));
    EXPECT_EQ(reason(payload), "screen size 0x4294967295 is larger than any display");
    payload = ScreenBitmap::encodePayload(4097, 1, Bytes(600, 0));
    EXPECT_EQ(reason(payload), "screen size 4097x1 is larger than any display");
}

namespace {

std::string failureOf(const Bytes& message, const std::optional<TkxException>& failure)
{
    try {
        UnitSession::usableReply(message, failure);
    } catch (const TkxException& e) {
        return e.name() + ": " + e.reason();
    }
    return "usable";
}

} // namespace

TEST(SysexReply, WhereThePayloadLiesAndOnlyACompleteReplyWithoutAFailureIsUsable)
{
    const Bytes whole = bytes({0xF0, 0x1C, 0x70, 0x05, 0x0A, 'A', 'B', 0x00, 0xF7});
    const std::optional<TkxException> none, timeout = TkxException("SerialConnection.getByte", "timeout Success");
    const std::string invalid = "UnitSession.reply: The data received is invalid.\n\n";
    using S = SysexReply::Status;
    // A reply and its failure, then its status, payload and what using it throws.
    const std::tuple<Bytes, std::optional<TkxException>, S, Bytes, std::string> cases[] = {
        // Text: the byte before the F7 is a terminator, and a leading CR LF goes too.
        {whole, none, S::Ok, bytes("AB"), "usable"},
        {bytes({0xF0, 0x1C, 0x70, 0, 0x0A, '\r', '\n', 'A', 0x00, 0xF7}), none, S::Ok, bytes("A"), "usable"},
        // Screen data keeps everything to the F7.
        {bytes({0xF0, 0x1C, 0x70, 0, 0x17, 1, 2, 3, 0xF7}), none, S::Ok, bytes({1, 2, 3}), "usable"},
        // Too short for the terminator or the CR LF's: no payload rather than a wrap-around.
        {bytes({0xF0, 0x1C, 0x70, 0, 0x0A, 0xF7}), none, S::Ok, {}, "usable"},
        {bytes({0xF0, 0x1C, 0x70, 0, 0x0A, '\r', '\n', 0xF7}), none, S::Ok, {}, "usable"},
        {Bytes{}, none, S::Empty, {}, "usable"},
        // A failure spoils whatever came with it.
        {whole, timeout, S::Failed, {}, "SerialConnection.getByte: timeout Success"},
        {Bytes{}, requestCancelled(), S::Cancelled, {}, "SerialIOServer.cancel: the request was cancelled"},
        {bytes({0xF0, 0x1C, 0x70, 0, 0x0A, '\r', '\n'}), none, S::Unterminated, {}, invalid + "F0 1C 70 00 0A 0D 0A"},
        {bytes({0xF0, 0x1C, 0x70, 0, 0x0A}), none, S::TooShort, {}, invalid + "F0 1C 70 00 0A"},
        {bytes({0xF0, 0x5C, 0x70, 0, 0x0A, 0xF7}), none, S::BadHeader, {}, invalid + "F0 5C 70 00 0A F7"},
        {bytes({0xF0, 0x1C, 0x70, 0, 0x0D, 'N', 'o', 0x00, 0xF7}), none, S::Ok, bytes("No"), "SYSEXC ERROR: No"},
    };
    for (const auto& [message, failure, status, payload, thrown] : cases) {
        SysexReply reply = SysexReply::check(message, failure);
        EXPECT_EQ(reply.status, status) << thrown;
        EXPECT_EQ(reply.usable(), status == S::Ok);
        EXPECT_EQ(reply.payload, payload) << thrown;
        EXPECT_EQ(failureOf(message, failure), thrown);
    }
    SysexReply reply = SysexReply::check(whole);
    EXPECT_EQ(std::pair(int(reply.deviceId), int(reply.command)), std::pair(5, 0x0A));
}

TEST(PatchTextCheck, AByteThatWouldStartOrEndTheMessageIsRefusedByLineAndModule)
{
    const std::string head = "HEADM adc \"Large Hall\" hall 2 2 0\r\n";
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {head + "GAIN trimL adc-in1 0.8\r\nTAIL \"Tosk demo\"\r\n", std::nullopt},
        {head + "GAIN \"trim\xF7L\" adc-in1 0.8\r\nTAIL \"x\"\r\n",
         "The patch cannot be sent: line 2 of its text, module \"trim\xC3\xB7L\" (GAIN), holds the byte 0xF7, which "
         "would end the message to the unit early."},
        {head + "GAIN trimL adc-in1 0.8\r\nTAIL \"To\xF0sk\"\r\n",
         "The patch cannot be sent: line 3 of its text, module \"To\xC3\xB0sk\" (TAIL), holds the byte 0xF0, which "
         "would start a new message to the unit inside this one."},
        // Lone CRs and LFs end lines too; a line of nothing but the byte has no module.
        {"HEADM adc\rGAIN g\n\xF7\r\n", "The patch cannot be sent: line 3 of its text holds the byte 0xF7, which would "
                                        "end the message to the unit early."},
        {"\xF0", "The patch cannot be sent: line 1 of its text holds the byte 0xF0, which would start a new message to "
                 "the unit inside this one."},
    };
    for (const auto& [text, refusal] : cases)
        EXPECT_EQ(patchTextRefusal(text), refusal) << text;
}
