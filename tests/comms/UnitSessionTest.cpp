// SPDX-License-Identifier: GPL-3.0-or-later
// What the editor and tosk-cli both check before a reply is used or a patch
// goes out.
#include "CommsTestSupport.h"

#include "comms/PatchTextCheck.h"
#include "comms/RequestProgress.h"
#include "comms/UnitSession.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

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

TEST(SysexReply, OnlyACompleteReplyWithoutAFailureIsUsable)
{
    const Bytes whole = bytes({0xF0, 0x1C, 0x70, 0x00, 0x0A, 'A', 0x00, 0xF7});
    const Bytes cut = bytes({0xF0, 0x1C, 0x70, 0x00, 0x0A, 'A', 0x00});
    const TkxException timeout("SerialConnection.getByte", "timeout Success");
    const struct {
        Bytes message;
        std::optional<TkxException> failure;
        SysexReply::Status status;
        std::string thrown;
    } cases[] = {
        {whole, std::nullopt, SysexReply::Status::Ok, "usable"},
        {Bytes{}, std::nullopt, SysexReply::Status::Empty, "usable"},
        // A failure spoils whatever came with it.
        {whole, timeout, SysexReply::Status::Failed, "SerialConnection.getByte: timeout Success"},
        {Bytes{}, requestCancelled(), SysexReply::Status::Cancelled,
         "SerialIOServer.cancel: the request was cancelled"},
        {cut, std::nullopt, SysexReply::Status::Unterminated,
         "UnitSession.reply: The data received is invalid.\n\nF0 1C 70 00 0A 41 00"},
        {bytes({0xF0, 0x1C, 0x70}), std::nullopt, SysexReply::Status::TooShort,
         "UnitSession.reply: The data received is invalid.\n\nF0 1C 70"},
        {bytes({0xF0, 0x5C, 0x70, 0x00, 0x0A, 0xF7}), std::nullopt, SysexReply::Status::BadHeader,
         "UnitSession.reply: The data received is invalid.\n\nF0 5C 70 00 0A F7"},
        {bytes({0xF0, 0x1C, 0x70, 0x00, 0x0D, 'N', 'o', 0x00, 0xF7}), std::nullopt, SysexReply::Status::Ok,
         "SYSEXC ERROR: No"},
    };
    for (const auto& c : cases) {
        SysexReply reply = SysexReply::check(c.message, c.failure);
        EXPECT_EQ(reply.status, c.status) << c.thrown;
        EXPECT_EQ(reply.usable(), c.status == SysexReply::Status::Ok);
        if (!reply.usable()) {
            EXPECT_TRUE(reply.payload.empty()) << c.thrown;
        }
        EXPECT_EQ(failureOf(c.message, c.failure), c.thrown);
    }
    EXPECT_EQ(SysexReply::check(whole).payload, bytes("A"));
}

TEST(PatchTextCheck, AByteThatWouldStartOrEndTheMessageIsRefusedByLineAndModule)
{
    const std::string head = "HEADM adc \"Large Hall\" hall 2 2 0\r\n";
    const struct {
        std::string text;
        const char* refusal;
    } cases[] = {
        {head + "GAIN trimL adc-in1 0.8\r\nTAIL \"Tosk demo\"\r\n", nullptr},
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
    for (const auto& c : cases) {
        auto refusal = patchTextRefusal(c.text);
        if (!c.refusal) {
            EXPECT_FALSE(refusal) << *refusal;
            continue;
        }
        ASSERT_TRUE(refusal) << c.refusal;
        EXPECT_EQ(*refusal, c.refusal);
    }
}
