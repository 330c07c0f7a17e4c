// SPDX-License-Identifier: GPL-3.0-or-later
// The records a unit gives: its identity, banks, program lines and objects.
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "comms/BankList.h"
#include "comms/ChannelNameInfo.h"
#include "comms/KeyedArray.h"
#include "comms/R9100ProgramItem.h"
#include "comms/SetObject.h"
#include "comms/UserObjectFactory.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {
std::shared_ptr<ChannelNameInfo> identity(const std::string& text, int id = 3, int command = 0x19)
{
    const Bytes reply = sysex::frame(uint8_t(id), uint8_t(command), text + '\0');
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
    // Found by number and by "number name"; a later one of the same number
    // replaces the earlier under both keys.
    BankList banks(4);
    banks.addBank(nullptr);
    auto reverbs = Bank::bankWithName("Factory Reverbs", 3);
    banks.addBank(reverbs);
    banks.addBank(Bank::bankWithName("Delays", 1));
    EXPECT_EQ(banks.bankNumberKeys(), (std::vector<int>{1, 3}));
    EXPECT_EQ(banks.bankWithName("3 Factory Reverbs"), reverbs);
    auto user = Bank::bankWithName("User", 3);
    banks.addBank(user);
    EXPECT_EQ(banks.bankWithNumber(3), user);
    EXPECT_EQ(banks.bankWithName("3 Factory Reverbs"), nullptr);

    auto bank = banks.bankWithNumber(1);
    ASSERT_TRUE(bank);
    EXPECT_TRUE(bank->isEmpty());
    auto hall = Patch::patchWithName("Hall: Large/Dark", 12, 1);
    auto plate = Patch::patchWithName("Plate", 2, 1);
    bank->addPatch(hall);
    bank->addPatch(plate);
    EXPECT_FALSE(bank->isEmpty());
    EXPECT_EQ(bank->patchNumberKeys(), (std::vector<int>{2, 12}));
    EXPECT_EQ(bank->patchList().patches(), (std::vector<std::shared_ptr<Patch>>{plate, hall})); // by number
    EXPECT_EQ(bank->patchWithName("12 Hall: Large/Dark"), hall);
    EXPECT_EQ(hall->patchNameForFile(), "Hall- Large|Dark");
    auto decay = Parameter::parameterWithName("Decay", 4);
    hall->addParameter(decay);
    EXPECT_EQ(hall->parameterList().parameterWithName("4 Decay"), decay);

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
    // A line, its index in the list, and its fields.
    const std::tuple<std::string, uint32_t, std::string> cases[] = {
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
    for (const auto& [line, index, expected] : cases)
        EXPECT_EQ(fields(R9100ProgramItem(line, index)), expected) << line;
}

TEST(UserObjects, LineCutter)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(BaseObject::cutLine("a b c "), (V{"a", "b", "c"}));
    EXPECT_EQ(BaseObject::cutLine("a b c"), (V{"a", "b"})); // the last part waits for its space
    EXPECT_EQ(BaseObject::cutLine("a  b "), (V{"a", "", "b"}));
    EXPECT_EQ(BaseObject::cutLine("'two words' \"it's\" '' "), (V{"two words", "it's", ""}));
    EXPECT_EQ(BaseObject::cutLine("x'y z' "), (V{"xy z"}));
    EXPECT_EQ(BaseObject::cutLine("\tpad\t "), (V{"pad"}));
    EXPECT_EQ(BaseObject::cutLine("'open quote "), V{});
}

TEST(UserObjects, EveryClassFromItsTypeTagWithItsFieldsAndMissingParts)
{
    const std::pair<const char*, const char*> cases[] = {
        {"NUM x 12 0 Gain Gain 0.5 0 1 0.01 ", "NUM 12 Gain Gain 0.5 in 0..1 by 0.01"},
        {"NUM x 12 0 Gain Gain 0.5 0 1 0.01", "NUM 12 Gain Gain 0.5 in 0..1 by 0"}, // the last part waits for its space
        {"NUM x 12 0 Gain Gain loud -2.5e1 3x 7 ", "NUM 12 Gain Gain 0 in -25..3 by 7"}, // present but not a number: 0
        // An empty tag: the statement.
        {"SET x 7 1 Mode '' 1 Stereo 2 Mono Stereo ", "SET 7 Mode Mode 1=Stereo of Mono Stereo"},
        // Hexadecimal counts; strings trimmed; fewer strings than declared.
        {"SET x 7 1 Banks banks A 'Ten' C '1 Hall' ' 2 Plate ' ", "SET 7 Banks banks 10=Ten of 1 Hall 2 Plate"},
        {"SET x 7 1 Banks banks ", "SET 7 Banks banks 0= of"},
        // A count in the billions reads what is there.
        {"SET x 7 1 Big big 0 a FFFFFFFF a b ", "SET 7 Big big 0=a of a b"},
        {"COL m 1 0 Program program 1A ", "COL 1 Program program [26]"},
        {"CON k 3 1 Level level -3.25 ", "CON 3 Level level = -3.25"},
        {"INF t 4 1 Version version '2.1 beta' ", "INF 4 Version version = 2.1 beta"},
        {"STR t 5 1 Name name \"My Hall  Two\" ", "STR 5 Name name = 'My Hall  Two'"},
        {"TRG k 6 1 Go go ", "TRG 6 Go go (trigger)"},
        {"XYZ a b c d e ", "XYZ b d e (unknown)"},
        // Missing type parts: 0 for numbers, absent for texts.
        {"COL m 1 0 Program program ", "COL 1 Program program [0]"},
        {"CON k 3 1 Level level ", "CON 3 Level level = 0"},
        {"INF t 4 1 Version version ", "INF 4 Version version = -"},
        // Fewer than six parts: still created; leading spaces are skipped for the type only.
        {"  TRG k 6 ", " TRG 6 6 (trigger)"},
    };
    LogCapture quiet;
    for (const auto& [line, fields] : cases)
        EXPECT_EQ(describe(*UserObjectFactory::createUserObject(line)), fields) << line;
    auto num = UserObjectFactory::createUserObject("NUM x 12 0 Gain Gain 0.5 0 1 0.01 ");
    EXPECT_EQ(num->parentKey() + " " + num->subType(), "0 x");

    auto set = std::dynamic_pointer_cast<SetObject>(
        UserObjectFactory::createUserObject("SET x 7 1 Mode '' 1 Stereo 2 Mono Stereo "));
    ASSERT_TRUE(set);
    EXPECT_FALSE(set->stringAtIndex(2));
    set->setCurrentIndex(5); // out of range: ignored
    EXPECT_EQ(set->currentIndex(), 1u);
    set->setCurrentIndex(0);
    EXPECT_EQ(set->currentString(), "Mono");

    EXPECT_FALSE(UserObjectFactory::createUserObject("  TRG k 6 ")->objectPartAt(6));

    for (const char* empty : {"", "   "})
        EXPECT_EQ(failureText(thrownBy([&] { UserObjectFactory::createUserObject(empty); })),
                  std::string("UserObjectFactory: invalid user object: ") + empty);
}

TEST(UserObjects, KeyedArrayKeepsOrderAndFirstObjects)
{
    KeyedArray a;
    auto first = UserObjectFactory::createUserObject("TRG k 1 0 A a ");
    auto second = UserObjectFactory::createUserObject("TRG k 2 0 B b ");
    auto third = UserObjectFactory::createUserObject("SET k 3 0 C c 0 x 1 x ");
    EXPECT_TRUE(a.setObject(second, "b"));
    EXPECT_TRUE(a.setObject(first, "a"));
    EXPECT_FALSE(a.setObject(third, "a")); // duplicate: the first stays
    EXPECT_TRUE(a.setObject(third, "c"));
    EXPECT_EQ(a.keys(), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(a.objectForKey("a"), first);
    EXPECT_EQ(a.objectAtIndex(0), second);
    EXPECT_EQ(a.objectAtIndex(3), nullptr);
    EXPECT_TRUE(a.objectForKey<SetObject>("c"));
    EXPECT_FALSE(a.objectForKey<SetObject>("a"));
    a.removeObjectAtIndex(7);
    a.removeObjectAtIndex(0);
    EXPECT_EQ(a.keys(), (std::vector<std::string>{"a", "c"}));
    a.removeObjectForKey("c");
    a.removeObjectForKey("c");
    EXPECT_EQ(a.keys(), std::vector<std::string>{"a"});
    a.removeAllObjects();
    EXPECT_EQ(a.objectForKey("a"), nullptr);
}
