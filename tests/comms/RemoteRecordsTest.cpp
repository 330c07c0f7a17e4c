// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "comms/BankList.h"
#include "comms/ChannelNameInfo.h"
#include "comms/R9100ProgramItem.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {
std::shared_ptr<ChannelNameInfo> identity(const std::string& text, int id = 3, int command = 0x19)
{
    Bytes reply = bytes({0xF0, 0x1C, 0x70, id, command});
    reply.insert(reply.end(), text.begin(), text.end());
    reply.push_back(0x00);
    reply.push_back(0xF7);
    return ChannelNameInfo::channelNameInfo(reply.data(), reply.size());
}
} // namespace

TEST(ChannelNameInfo, ReadsModelRevisionAndDateAndLeavesOutMissingParts)
{
    struct Case {
        const char* text;
        std::optional<std::string> model, revision, date;
    };
    const std::optional<std::string> none;
    const Case cases[] = {
        {"\r\nKorvatel\r\nName:  R9100 Plus   Modules: 8\r\nSystem ROM Revision:   5.10 \r\n"
         "System ROM Time: Mar 14 2003 10:21:07\r\n",
         "R9100 Plus", "5.10", "Mar 14 2003 10:21:07"},
        {"System ROM Revision: 4.0\r\nTime: today\r\n", none, "4.0", "today"}, // no "Modules"
        {"Name: X Modules\r\nSystem ROM\r\n", "X", none, none},
        {"Name: X Modules System ROM Revision: 2.0", "X", none, none}, // no line end after the revision
        {"Name: X Modules System ROM Revision: 2.0\r\nTime: noon", "X", "2.0", none},
        {"X Modules\r\nName: late\r\n", none, none, none}, // "Name:" must stand before "Modules" on its line
    };
    LogCapture quiet;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto info = identity(c.text);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->channelId(), 3u);
        EXPECT_EQ(info->modelName(), c.model);
        EXPECT_EQ(info->romRevision(), c.revision);
        EXPECT_EQ(info->romDateTime(), c.date);
    }
    auto info = identity(cases[0].text);
    EXPECT_EQ(info->description(), "3:R9100 Plus");
    EXPECT_EQ(info->midiMapTag(), "MIDImap");
    EXPECT_EQ(identity(cases[1].text)->midiMapTag(), "MIDImap");

    info = identity("Name: SX-8 Modules\nSystem ROM Revision: 3.2\nTime: x\n");
    EXPECT_FALSE(info->isProgramListUnit());
    EXPECT_EQ(info->midiMapTag(), "MIDI map: %s");
    info->setModelName("R6400");
    EXPECT_TRUE(info->isProgramListUnit());

    EXPECT_FALSE(identity("Name: X Modules", 0, 0x0A));
    EXPECT_FALSE(ChannelNameInfo::channelNameInfo(bytes({0x1C, 0x70, 0x19, 0xF7}).data(), 4));
    EXPECT_FALSE(ChannelNameInfo::channelNameInfo(nullptr, 0));
}

TEST(RemoteRecords, BanksPatchesAndNames)
{
    BankList banks(4);
    banks.addBank(nullptr);
    banks.addBank(Bank::bankWithName("Factory Reverbs", 3));
    banks.addBank(Bank::bankWithName("Delays", 1));
    EXPECT_EQ(banks.bankNumberKeys(), (std::vector<int>{1, 3}));
    auto reverbs = banks.bankWithName("3 Factory Reverbs");
    ASSERT_TRUE(reverbs);
    EXPECT_EQ(reverbs->bankNumber(), 3);
    banks.addBank(Bank::bankWithName("User", 3)); // replaces bank 3 under both keys
    auto user = banks.bankWithNumber(3);
    ASSERT_TRUE(user);
    EXPECT_EQ(user->bankName(), "User");
    EXPECT_EQ(banks.bankWithName("3 Factory Reverbs"), nullptr);

    auto bank = banks.bankWithNumber(1);
    ASSERT_TRUE(bank);
    EXPECT_TRUE(bank->isEmpty());
    bank->addPatch(Patch::patchWithName("Hall: Large/Dark", 12, 1));
    bank->addPatch(Patch::patchWithName("Plate", 2, 1));
    EXPECT_FALSE(bank->isEmpty());
    EXPECT_EQ(bank->patchNumberKeys(), (std::vector<int>{2, 12}));
    auto hall = bank->patchWithName("12 Hall: Large/Dark");
    ASSERT_TRUE(hall);
    EXPECT_EQ(hall->patchNameForFile(), "Hall- Large|Dark");
    ASSERT_EQ(bank->patchList().patches().size(), 2u);
    EXPECT_EQ(bank->patchList().patches().front()->patchNumber(), 2);
    hall->addParameter(Parameter::parameterWithName("Decay", 4));
    auto decay = hall->parameterList().parameterWithName("4 Decay");
    ASSERT_TRUE(decay);
    EXPECT_EQ(decay->parameterNumber(), 4);

    EXPECT_EQ(Patch::convertToFileName("a:b/c-d"), "a-b|c-d");
    EXPECT_EQ(Patch::convertToPatchName("a-b|c-d"), "a:b/c:d"); // a hyphen of the name comes back a colon
}

TEST(R9100ProgramItem, DecodesNumberedDisabledAndOddLines)
{
    LogCapture quiet;
    R9100ProgramItem item(std::string("1234 @ Big Hall @ \x01 I22 GSRH", 27), 5);
    EXPECT_EQ(item.description(), "1234 \"Big Hall\" M 22S R     ");
    EXPECT_EQ(item.programIndex(), 5u);
    EXPECT_EQ(item.progNumber(), 1234);
    EXPECT_EQ(item.bankNumber(), 12u);
    EXPECT_EQ(item.programNumber(), 34u);
    EXPECT_FALSE(item.isDisabled());
    EXPECT_EQ(item.location(), 1);
    EXPECT_EQ(item.sampleRate(), 2);
    EXPECT_EQ(item.effects(), R9100ProgramItem::S | R9100ProgramItem::R);
    EXPECT_EQ(item.progMonolitic(), "\u262F");
    EXPECT_EQ(item.progSample(), " ");

    R9100ProgramItem user("7@Chorus@GU0I12\x7FGYH", 0);
    EXPECT_EQ(user.description(), "7 Chorus  U12  R    Y");
    EXPECT_EQ(user.bankNumber(), 0u);
    EXPECT_EQ(user.location(), 2);
    EXPECT_EQ(user.sampleRate(), 1);
    EXPECT_EQ(user.progSample(), "\u2608");
    EXPECT_EQ(user.effects(), R9100ProgramItem::R | R9100ProgramItem::Y); // Y brings R along

    R9100ProgramItem card("305 @ Card @ GC0I44 GDMH tail", 1);
    EXPECT_EQ(card.location(), 3);
    EXPECT_EQ(card.description(), "305 Card  C44   DM   ");

    // No second "@": no name and no codes.
    R9100ProgramItem bare("12 @ lonely", 2);
    EXPECT_EQ(bare.progName(), "");
    EXPECT_EQ(bare.progLoc(), "?");
    EXPECT_EQ(bare.progEffects(), "        ");

    // Unknown codes are left at their defaults.
    R9100ProgramItem odd("1 @ Odd @ X2", 0);
    EXPECT_EQ(odd.location(), 0);
    EXPECT_EQ(odd.progLoc(), "?");
    EXPECT_EQ(odd.inputs(), 0u);
    EXPECT_EQ(odd.effects(), 0u);
    R9100ProgramItem noEffects("1 @ Dry @ I22 ", 0);
    EXPECT_EQ(noEffects.sampleRate(), 2);
    EXPECT_EQ(noEffects.effects(), 0u);
    R9100ProgramItem kind("1 @ Kind @ GX0I22 GSH", 0);
    EXPECT_EQ(kind.location(), 0); // a location group of another kind
    EXPECT_EQ(kind.inputs(), 2u);

    // Disabled lines.
    R9100ProgramItem named("Sleeper I22 GDH", 3);
    EXPECT_TRUE(named.isDisabled());
    EXPECT_EQ(named.description(), " Sleeper  \u220522   D    ");

    R9100ProgramItem numbered(std::string("4410 AOld HallB\x01 I11 GRH", 24), 0);
    EXPECT_TRUE(numbered.isDisabled());
    EXPECT_EQ(numbered.bankNumber(), 44u);
    EXPECT_EQ(numbered.description(), "4410 \"Old Hall\" M\u220511  R     ");

    R9100ProgramItem runOn("55 AName without end", 0);
    EXPECT_EQ(runOn.progName(), "Name without end");
    EXPECT_EQ(runOn.progLoc(), "\u2205");

    R9100ProgramItem noB(std::string("56 Axyz\x01I22 GSH", 14), 0);
    EXPECT_EQ(noB.progName(), "");
    EXPECT_EQ(noB.inputs(), 0u); // codes start at "yz": no channel digits there
    EXPECT_EQ(noB.progEffects(), "S       ");
    R9100ProgramItem nothing("Lonely", 0);
    EXPECT_TRUE(nothing.isDisabled());
    EXPECT_EQ(nothing.progName(), "");
}
