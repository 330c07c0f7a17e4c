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
    // Model, revision and date ("-": none), then the description, the MIDI
    // map's tag and whether the unit has a program list.
    const std::pair<const char*, const char*> cases[] = {
        {"\r\nKorvatel\r\nName:  R9100 Plus   Modules: 8\r\nSystem ROM Revision:   5.10 \r\n"
         "System ROM Time: Mar 14 2003 10:21:07\r\n",
         "R9100 Plus|5.10|Mar 14 2003 10:21:07|3:R9100 Plus|MIDImap|list"},
        {"System ROM Revision: 4.0\r\nTime: today\r\n", "-|4.0|today|3:|MIDImap"}, // no "Modules"
        {"Name: X Modules\r\nSystem ROM\r\n", "X|-|-|3:X|MIDI map: %s"},
        {"Name: X Modules System ROM Revision: 2.0", "X|-|-|3:X|MIDI map: %s"}, // no line end after the revision
        {"Name: X Modules System ROM Revision: 2.0\r\nTime: noon", "X|2.0|-|3:X|MIDI map: %s"},
        {"X Modules\r\nName: late\r\n", "-|-|-|3:|MIDI map: %s"}, // "Name:" must stand before "Modules" on its line
        {"Name: SX-8 Modules\nSystem ROM Revision: 3.2\nTime: x\n", "SX-8|3.2|x|3:SX-8|MIDI map: %s"},
        {"Name: R6400 Modules\nSystem ROM Revision: 3.2\nTime: x\n", "R6400|3.2|x|3:R6400|MIDI map: %s|list"},
    };
    LogCapture quiet;
    for (const auto& [text, fields] : cases) {
        auto info = identity(text);
        ASSERT_TRUE(info) << text;
        EXPECT_EQ(info->modelName().value_or("-") + "|" + info->romRevision().value_or("-") + "|" +
                      info->romDateTime().value_or("-") + "|" + info->description() + "|" + info->midiMapTag() +
                      (info->isProgramListUnit() ? "|list" : ""),
                  fields)
            << text;
    }
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

// Every field a program line gives, in one text.
static std::string fields(const R9100ProgramItem& i)
{
    return format("%s|%u %ld=%u.%u '%s' loc %d%s rate %d%s in %u fx %d '%s'%s%s", i.description().c_str(),
                  i.programIndex(), i.progNumber(), i.bankNumber(), i.programNumber(), i.progName().c_str(),
                  i.location(), i.progLoc().c_str(), i.sampleRate(), i.progSample().c_str(), i.inputs(), i.effects(),
                  i.progEffects().c_str(), i.progMonolitic().c_str(), i.isDisabled() ? " disabled" : "");
}

TEST(R9100ProgramItem, DecodesNumberedDisabledAndOddLines)
{
    const struct {
        std::string line;
        uint32_t index;
        std::string fields;
    } cases[] = {
        {std::string("1234 @ Big Hall @ \x01 I22 GSRH", 27), 5,
         "1234 \"Big Hall\" M 22S R     |5 1234=12.34 'Big Hall' loc 1  rate 2  in 2 fx 5 'S R     '\u262F"},
        // Y brings R along.
        {"7@Chorus@GU0I12\x7FGYH", 0,
         "7 Chorus  U12  R    Y|0 7=0.7 'Chorus' loc 2U rate 1\u2608 in 1 fx 132 '  R    Y' "},
        {"305 @ Card @ GC0I44 GDMH tail", 1,
         "305 Card  C44   DM   |1 305=3.5 'Card' loc 3C rate 2  in 4 fx 24 '   DM   ' "},
        // No second "@": no name and no codes; unknown codes stay at their
        // defaults; a location group of another kind.
        {"12 @ lonely", 2, "12   ?00        |2 12=0.12 '' loc 0? rate 0  in 0 fx 0 '        ' "},
        {"1 @ Odd @ X2", 0, "1 Odd  ?00        |0 1=0.1 'Odd' loc 0? rate 0  in 0 fx 0 '        ' "},
        {"1 @ Dry @ I22 ", 0, "1 Dry   22        |0 1=0.1 'Dry' loc 1  rate 2  in 2 fx 0 '        ' "},
        {"1 @ Kind @ GX0I22 GSH", 0, "1 Kind  ?22S       |0 1=0.1 'Kind' loc 0? rate 2  in 2 fx 1 'S       ' "},
        // Disabled lines.
        {"Sleeper I22 GDH", 3,
         " Sleeper  \u220522   D    |3 0=0.0 'Sleeper' loc 1\u2205 rate 2  in 2 fx 8 '   D    '  disabled"},
        {std::string("4410 AOld HallB\x01 I11 GRH", 24), 0,
         "4410 \"Old Hall\" M\u220511  R     |0 4410=44.10 'Old Hall' loc 1\u2205 rate 2  in 1 fx 4 '  R     '\u262F "
         "disabled"},
        {"55 AName without end", 0,
         "55 \"Name without end\"  \u220500        |0 55=0.55 'Name without end' loc 0\u2205 rate 0  in 0 fx 0 '       "
         " '  disabled"},
        // The codes start at "yz": no channel digits there.
        {std::string("56 Axyz\x01I22 GSH", 14), 0,
         "56   \u220500S       |0 56=0.56 '' loc 0\u2205 rate 0  in 0 fx 1 'S       '  disabled"},
        {"Lonely", 0, "   \u220500        |0 0=0.0 '' loc 0\u2205 rate 0  in 0 fx 0 '        '  disabled"},
    };
    LogCapture quiet;
    for (const auto& c : cases)
        EXPECT_EQ(fields(R9100ProgramItem(c.line, c.index)), c.fields) << c.line;
}
