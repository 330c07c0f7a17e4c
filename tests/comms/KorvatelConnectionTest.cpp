// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "comms/KorvatelConnection.h"
#include "comms/RequestProgress.h"
#include "comms/SerialLineLock.h"
#include "comms/SetObject.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

using Frames = std::vector<Bytes>;

Bytes request(int id, int command, const std::string& payload)
{
    return sysex::frame(uint8_t(id), uint8_t(command), payload);
}

// A connection to a scripted unit, its log kept out of the test's output.
struct Korvatel {
    LogCapture quiet;
    FakeUnit unit;
    KorvatelConnection connection;
    explicit Korvatel(int id = 2, const std::string& model = "SX-8", const std::string& revision = "3.2")
        : connection(unitWithId(id, model, revision), lineTo(unit.path()), 300ms, 0ms)
    {
    }
};

// The replies of a bank unit's walk to the bank it has loaded: `current` is
// the banks list's current string, as the unit gives it without the others.
Frames loadedBank(int id, const std::string& current)
{
    return {dump(id, {"COL m 0 0 Main '' 1 ", "COL m 1 0 Program program 1 "}),
            dump(id, {"COL m 1 0 Program program 1 ", "COL m 10 1 Load load 1 "}),
            dump(id, {"COL m 10 1 Load load 1 ", "SET l 100 10 Banks banks 0 '" + current + "' 0 "})};
}

// What a bank unit is asked on the walk to the bank it has loaded.
Frames askedForLoadedBank(int id)
{
    return {request(id, 0x31, "0 0"), request(id, 0x31, "1 0"), request(id, 0x31, "10 2")};
}

// The replies of a bank unit's tree walk down to its bank list.
Frames bankWalk(int id, const std::vector<std::string>& bankStrings)
{
    std::string set = "SET l 100 10 Banks banks 0 '' " + std::to_string(bankStrings.size()) + " ";
    for (const auto& s : bankStrings)
        set += "'" + s + "' ";
    Frames walk = loadedBank(id, "");
    walk.push_back(dump(id, {set}));
    return walk;
}

Frames operator+(Frames a, const Frames& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(KorvatelConnection, RequestsGoOutByteForByte)
{
    Korvatel k(5);
    k.unit.script({dump(5, {}), dump(5, {}), dump(5, {})});
    k.connection.serialConnection().open();
    EXPECT_EQ(k.connection.objectInfoWant("12", sysex::WANT_NO_STRINGS).count(), 0u);
    k.connection.parametersWant("0", sysex::WANT_ALL_INFO);
    k.connection.valuePut("140", "0");
    k.connection.keyPress(0x08000000);
    k.connection.selectBank(0x2A, false);
    ASSERT_TRUE(k.unit.waitForMessages(5));
    EXPECT_EQ(k.unit.received(),
              (Frames{{0xF0, 0x1C, 0x70, 5, 0x31, '1', '2', 0x20, '2', 0xF7},
                      {0xF0, 0x1C, 0x70, 5, 0x2B, '0', 0x20, '0', 0xF7},
                      {0xF0, 0x1C, 0x70, 5, 0x2D, '1', '4', '0', 0x20, '0', 0xF7},
                      {0xF0, 0x1C, 0x70, 5, 0x01, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x07, 0xF7},
                      {0xF0, 0x1C, 0x70, 5, 0x03, 0x00, 0x01, 0x02, 0x0A, 0xF7}}));
}

TEST(KorvatelConnection, ObjectDumpParser)
{
    Korvatel k(2);
    auto parse = [&](const Bytes& b) { return k.connection.parseObjectInfoDump(b.data(), b.size()); };

    // Wrong id, command or end byte: nothing, even with an object inside.
    for (const Bytes& bad : {dump(3, {"TRG k 1 0 A a "}), dump(2, {"TRG k 1 0 A a "}, 0x31),
                             bytes({0xF0, 0x1C, 0x70, 2, 0x32, 'x'}), bytes({0xF0, 0x1C, 0x70, 2, 0xF7})})
        EXPECT_EQ(parse(bad).count(), 0u);

    auto objects = parse(dump(2, {"TRG k 1 0 First go ", "TRG k 2 0 Second go ", "TRG k 3 0 Third third "}, 0x2C));
    EXPECT_EQ(objects.keys(), (std::vector<std::string>{"go", "third"}));
    auto go = objects.objectForKey("go");
    ASSERT_TRUE(go);
    EXPECT_EQ(go->statement(), "First");

    // Spaces after a line end are skipped; text after the last line end is no object.
    Bytes b = bytes("\xF0\x1C\x70\x02\x32  TRG k 1 0 A a \r\n   TRG k 2 0 B b \r\nTRG k 3 0 C c \xF7");
    EXPECT_EQ(parse(b).keys(), (std::vector<std::string>{"a", "b"}));

    // A CR without its LF ends the parse; what came before stays.
    b = dump(2, {"TRG k 1 0 A a "});
    b.insert(b.end() - 1, {'T', '\r', 'x', '\r', '\n'});
    EXPECT_EQ(parse(b).keys(), std::vector<std::string>{"a"});
    // An empty line is no object and the parse goes on.
    EXPECT_EQ(parse(dump(2, {"TRG k 1 0 A a ", "", "TRG k 2 0 B b "})).keys(), (std::vector<std::string>{"a", "b"}));

    // The list of a dump keeps every object in order, a tag repeated or not;
    // the keyed parse keeps the first of a tag.
    b = dump(2, {"NUM k 5 0 Gain '' 1 0 2 0.1 ", "NUM k 6 0 Gain '' 2 0 2 0.1 ", "STR k 7 0 Name name 'My Room' "});
    auto all = KorvatelConnection::objectsInDump(b.data(), b.size(), 2);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]->key() + all[1]->key() + all[2]->key(), "567");
    EXPECT_EQ(parse(b).count(), 2u);
    EXPECT_TRUE(KorvatelConnection::objectsInDump(b.data(), b.size(), 3).empty());
}

TEST(KorvatelConnection, AReplyBeyondTheBufferIsCutAndRefused)
{
    Korvatel k(2);
    Bytes huge = bytes({0xF0, 0x1C, 0x70, 2, 0x32});
    huge.resize(80000 + 3 - 1, 'x');
    huge.push_back(0xF7); // 80003 bytes: three of them dropped, F7 among them
    k.unit.script({huge});
    k.connection.serialConnection().open();
    EXPECT_EQ(k.connection.objectInfoWant("0", sysex::WANT_ALL_INFO).count(), 0u);
    EXPECT_EQ(k.connection.lastReply().size(), 80000u);
}

TEST(KorvatelConnection, BankListWalksTheTreeAndASilenceMidWalkLeavesTheLineClosed)
{
    Korvatel k(2);
    k.unit.script(bankWalk(2, {"3 Factory Reverbs", "Not a bank", " 12   User  "}));
    BankList banks = k.connection.getBankList();
    EXPECT_EQ(banks.bankNumberKeys(), (std::vector<int>{3, 12}));
    EXPECT_TRUE(banks.bankWithName("12 User")) << "trimmed";
    EXPECT_EQ(k.unit.received(), askedForLoadedBank(2) + Frames{request(2, 0x31, "100 0")});
    EXPECT_FALSE(k.connection.serialConnection().isOpen());

    auto walk = bankWalk(2, {"1 A"});
    k.unit.script({walk[0], walk[1]}); // then silence
    EXPECT_TRUE(k.connection.getBankList().isEmpty());
    EXPECT_FALSE(k.connection.serialConnection().isOpen());
    // The next operation opens the line again.
    k.unit.script(walk);
    EXPECT_EQ(k.connection.getBankList().count(), 1u);

    // A tag the unit does not have ends the walk quietly.
    k.unit.script({dump(2, {"COL m 0 0 Main '' 0 "})});
    EXPECT_TRUE(k.connection.getBankList().isEmpty());
}

TEST(KorvatelConnection, ABankIsSelectedOnlyWhenTheUnitHasAnotherLoaded)
{
    const Frames askLoaded = askedForLoadedBank(2);
    const Bytes selectBank3 = bytes({0xF0, 0x1C, 0x70, 2, 0x03, 0x00, 0x00, 0x00, 0x03, 0xF7});
    const Frames listPatches = askLoaded + Frames{request(2, 0x31, "101 0")};
    const Frames patches = {dump(2, {"COL m 1 0 Program program 1 "}), dump(2, {"COL m 10 1 Load load 1 "}),
                            dump(2, {"SET l 101 10 P programs 0 '' 0 "}),
                            dump(2, {"SET l 101 10 P programs 0 '' 3 '0 Small Room' '7 Hall: Dark/Long' 'x' "})};
    // What the unit answers when asked for its bank, what it is asked for
    // that, and whether bank 3 is selected then.
    const std::tuple<const char*, Frames, Frames, bool> cases[] = {
        // Whatever this connection selected before: another window or the
        // unit's panel may have loaded bank 1 since.
        {"another bank loaded", loadedBank(2, "1 Reverbs"), askLoaded, true},
        {"this bank loaded", loadedBank(2, "3 Factory Reverbs"), askLoaded, false},
        {"without the current string the list says",
         loadedBank(2, "") + Frames{dump(2, {"SET l 100 10 Banks banks 1 '' 2 '1 Reverbs' '3 Factory' "})},
         askLoaded + Frames{request(2, 0x31, "100 0")}, false},
        {"a unit that does not say", {dump(2, {"COL m 0 0 Main '' 0 "})}, {request(2, 0x31, "0 0")}, true},
    };
    Korvatel k(2);
    for (const auto& [what, loaded, asked, selects] : cases) {
        SCOPED_TRACE(what);
        // The bank select is not answered.
        k.unit.script(loaded + (selects ? Frames{Bytes{}} : Frames{}) + patches);
        const size_t before = k.unit.received().size();
        PatchList list = k.connection.patchListForBank(3);
        EXPECT_EQ(list.patchNumberKeys(), (std::vector<int>{0, 7}));
        auto hall = list.patchWithName("7 Hall: Dark/Long");
        ASSERT_TRUE(hall);
        EXPECT_EQ(hall->bankNumber(), 3);
        const Frames sent = k.unit.received();
        EXPECT_EQ(Frames(sent.begin() + long(before), sent.end()),
                  asked + (selects ? Frames{selectBank3} : Frames{}) + listPatches);
    }
}

TEST(KorvatelConnection, RunningPatchAndStoredPatch)
{
    Korvatel k(2);
    Bytes reply = bytes({0xF0, 0x1C, 0x70, 2, 0x0A, '\r', '\n', ' ', 'H', 'E', 'A', 'D', 'M', '\r', '\n', 0, 0xF7});
    k.unit.script(loadedBank(2, "7 Delays") + Frames{Bytes{}, reply});
    EXPECT_EQ(k.connection.getSigFileForPatch(*Patch::patchWithName("Hall", 4, 1)), "HEADM\r\n");
    EXPECT_EQ(k.unit.received(),
              askedForLoadedBank(2) + Frames({{0xF0, 0x1C, 0x70, 2, 0x03, 0x00, 0x00, 0x00, 0x01, 0xF7},
                                              {0xC0, 4},
                                              {0xF0, 0x1C, 0x70, 2, 0x0B, 0xF7}}));
    EXPECT_FALSE(k.connection.serialConnection().isOpen());

    // An error text, an empty text or a garbled frame is not a patch.
    for (const Bytes& notAPatch :
         {bytes({0xF0, 0x1C, 0x70, 2, 0x0D, 'N', 'o', 0, 0xF7}), bytes({0xF0, 0x1C, 0x70, 2, 0x0A, 0xF7}),
          bytes({0xF0, 0x5C, 0x70, 2, 0x0A, 'H', 0xF7})}) {
        k.unit.script({notAPatch});
        EXPECT_FALSE(k.connection.getSigFile());
        EXPECT_FALSE(k.connection.serialConnection().isOpen());
    }
}

TEST(KorvatelConnection, ProgramListCriteriaAndSelection)
{
    Korvatel k(1, "R9100", "5.1");
    auto listWalk = [](const std::string& strings, int count) {
        return Frames{dump(1, {"COL m 1 0 Program program 2 "}),
                      dump(1, {"COL m 1 0 Program program 2 ", "SET l 13 1 P list 0 '' 0 "}),
                      dump(1, {"SET l 13 1 P list 0 '' " + std::to_string(count) + " " + strings})};
    };
    k.unit.script(listWalk("'No Presets Found' ", 1));
    EXPECT_TRUE(k.connection.getR9100ProgramList().empty());
    k.unit.script(listWalk("'No Presets Found' '101 @ Hall @ I22 GRH' ", 2));
    auto items = k.connection.getR9100ProgramList();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(std::pair(items[1].progName(), items[1].programIndex()), std::pair(std::string("Hall"), 1u));

    k.unit.script({dump(1, {"COL m 1 0 Program program 2 "}), dump(1, {"COL m 12 1 Criteria Criteria 2 "}),
                   dump(1, {"COL m 12 1 Criteria Criteria 2 ", "SET c 120 12 'Sort by' '' 0 Number 2 Number Name ",
                            "SET c 121 12 Location '' 2 User 3 All Internal User "})});
    auto criteria = k.connection.getR9100SearchCriteria();
    ASSERT_TRUE(criteria);
    EXPECT_EQ(criteria->keys(), (std::vector<std::string>{"Criteria", "Sort by", "Location"}));
    criteria->objectForKey<SetObject>("Sort by")->setCurrentIndex(1);
    k.unit.script({dump(1, {}), dump(1, {})});
    const size_t before = k.unit.received().size();
    k.connection.setR9100Criteria(*criteria);
    const Frames sent = k.unit.received();
    EXPECT_EQ(Frames(sent.begin() + long(before), sent.end()),
              (Frames{request(1, 0x2D, "120 1"), request(1, 0x2D, "121 2")}));
}

TEST(KorvatelConnection, OlderRomsLookForTheLiteralMidiMapTag)
{
    Korvatel k(1, "R9100", "3.0");
    k.unit.script({Bytes{}, dump(1, {"COL m 1 0 Program program 3 "}),
                   dump(1, {"COL m 1 0 Program program 3 ", "COL m 14 1 U usergrp 1 "}),
                   dump(1, {"SET c 140 14 Map 'MIDI map: %s' 0 Off 0 "})});
    k.connection.selectR9100Program(3, 0);
    EXPECT_TRUE(k.unit.waitForMessages(5));
    auto sent = k.unit.received();
    // Map already off: nothing to save; no list: just the program change.
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[4], bytes({0xC0, 3}));
}

TEST(KorvatelConnection, TheMidiMapGoesBackHoweverTheSelectionEnds)
{
    const std::string program = "COL m 1 0 Program program 3 ";
    const Frames toTheMap = {
        Bytes{}, // key press
        dump(1, {"COL m 0 0 Main '' 1 ", program}),
        dump(1, {program, "COL m 14 1 U usergrp 1 ", "SET l 13 1 P list 0 '' 0 "}),
        dump(1, {"COL m 14 1 U usergrp 1 ", "SET c 140 14 Map MIDImap 1 'Map A' 0 "}),
    };
    const Bytes answered = dump(1, {}), silent, mapOff = request(1, 0x2D, "140 0"), mapBack = request(1, 0x2D, "140 1");
    const Bytes programKey = bytes({0xF0, 0x1C, 0x70, 1, 0x01, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x07, 0xF7});
    const Bytes listPut = request(1, 0x2D, "13 4"), select9 = bytes({0xC0, 9});
    // The program key, then the walk from the root to the map.
    const Frames walk = {programKey, request(1, 0x31, "0 0"), request(1, 0x31, "1 2"), request(1, 0x31, "14 2")};
    // What a silent unit makes of an exchange, named as the line names it.
    const std::string silence = "SerialConnection.getByte: ";
    const std::string leftOff =
        "; the unit's MIDI map may still be off: putting Map A back failed (The unit did not answer in time.)";
    const std::string givenUp = "KorvatelConnection.selectR9100Program: The unit did not answer in time" + leftOff;
    // The replies and what is sent after the walk to the map, and the failure:
    // none when selected, only its start when it ends in ": ".
    const std::tuple<const char*, Frames, Frames, std::string> cases[] = {
        {"all goes through", {answered, {}, answered, answered}, {mapOff, programKey, listPut, select9, mapBack}, ""},
        {"silent at the list", {answered, {}, silent, answered}, {mapOff, programKey, listPut, mapBack}, silence},
        {"silent as the map goes off", {silent, answered}, {mapOff, mapBack}, silence},
        {"and stays silent", {answered, {}, silent, silent}, {mapOff, programKey, listPut, mapBack}, givenUp},
    };
    for (const auto& [what, replies, sent, expected] : cases) {
        SCOPED_TRACE(what);
        Korvatel k(1, "R9100", "5.1");
        k.unit.script(toTheMap + replies);
        const bool selected = k.connection.selectR9100Program(9, 4);
        ASSERT_TRUE(k.unit.waitForMessages(toTheMap.size() + sent.size()));
        EXPECT_EQ(k.unit.received(), walk + sent);
        EXPECT_FALSE(k.connection.serialConnection().isOpen());
        EXPECT_EQ(selected, expected.empty());
        const std::string failure = k.connection.lastFailure() ? failureText(*k.connection.lastFailure()) : "";
        EXPECT_EQ(expected.ends_with(": ") ? failure.substr(0, expected.size()) : failure, expected);
        EXPECT_EQ(failure.find(leftOff) == std::string::npos, !expected.ends_with(leftOff)) << failure;
    }
}

TEST(KorvatelConnection, WhatEndsAReplyMidwayEndsTheOperationWithTheLineClosedAndFree)
{
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[] { throw requestCancelled(); }, "SerialIOServer.cancel: the request was cancelled"},
        {[] { throw std::runtime_error("out of memory"); }, "KorvatelConnection.operation: out of memory"},
    };
    for (const auto& [raise, failure] : cases) {
        Korvatel k(2);
        // A reply that has begun and not ended when the check gives up.
        k.unit.script({bytes({0xF0, 0x1C, 0x70, 2, 0x32, 'C', 'O', 'L'})});
        k.connection.setCancelCheck([&](size_t replyBytes) {
            if (replyBytes > 0)
                raise();
        });
        EXPECT_TRUE(k.connection.getBankList().isEmpty());
        EXPECT_EQ(k.connection.lastFailure() ? failureText(*k.connection.lastFailure()) : "", failure);
        EXPECT_FALSE(k.connection.serialConnection().isOpen());
        EXPECT_FALSE(SerialLineLock::isHeld(k.unit.path())) << failure;

        // The rest of the reply given up comes before the next one.
        k.connection.setCancelCheck({});
        Frames walk = bankWalk(2, {"1 A"});
        walk[0].insert(walk[0].begin(), {' ', 'm', '\r', '\n', 0xF7});
        k.unit.script(walk);
        EXPECT_EQ(k.connection.getBankList().count(), 1u) << "the next operation works";
    }
}
