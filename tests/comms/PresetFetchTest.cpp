// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "comms/KorvatelConnection.h"
#include "comms/PresetFetch.h"
#include "comms/UnitBackup.h"
#include "support/FolderTree.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;

namespace {

// What a program-list unit answers while a preset is selected, checked and
// fetched: `mapLine` is its MIDI map (empty: none), `running` what it says
// it runs.
std::vector<Bytes> selectAndFetch(const std::string& mapLine, const std::string& running, const std::string& text)
{
    const std::string program = "COL m 1 0 Program program 3 ";
    std::vector<Bytes> replies = {
        Bytes{}, // key press
        dump(1, {"COL m 0 0 Main '' 1 ", program}),
        dump(1, {program, "COL m 14 1 U usergrp 1 ", "SET l 13 1 P list 0 '' 0 "}),
        dump(1, mapLine.empty() ? std::vector<std::string>{"COL m 14 1 U usergrp 1 "}
                                : std::vector<std::string>{"COL m 14 1 U usergrp 1 ", mapLine}),
    };
    if (mapLine.empty())
        return replies;         // the select ends there
    replies.push_back(Bytes{}); // key press
    replies.push_back(dump(1, {"SET l 13 1 P list 1 '' 0 "}));
    replies.push_back(dump(1, {"COL m 0 0 Main '' 1 ", program}));
    replies.push_back(dump(1, {program, "INF t 11 1 Running running '" + running + "' "}));
    replies.push_back(sysex::frame(1, 0x0A, "\r\n" + text + std::string(1, '\0')));
    return replies;
}

} // namespace

TEST(PresetFetch, OnlyAPresetTheUnitIsSeenToRunIsFetched)
{
    const std::string text = "HEADM adc\r\nTAIL \"Hall\"\r\n", map = "SET c 140 14 Map MIDImap 0 Off 2 Off A ";
    LogCapture quiet;
    const R9100ProgramItem hall("101 @ Hall @ I22 GRH", 1);
    const struct {
        R9100ProgramItem item;
        std::string mapLine; // empty: the unit has no MIDI map
        std::string running;
        std::optional<std::string> text;
        std::string failure;
    } cases[] = {
        {hall, map, "Hall", text, ""},
        {hall, map, "Small Room", std::nullopt,
         "The unit runs Small Room instead of the preset 101 Hall. Nothing was saved."},
        {hall, "", "", std::nullopt,
         "The unit did not switch to the preset 101 Hall: it has no MIDI map to select it with. Nothing was saved."},
        // A preset the unit lists as disabled is never asked for.
        {R9100ProgramItem("Broken Preset", 0), "", "", std::nullopt, "The preset  Broken cannot be selected."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failure);
        FakeUnit unit;
        KorvatelConnection k(unitWithId(1, "R9100", "5.1"), lineTo(unit.path()), 300ms, 0ms);
        if (!c.item.isDisabled())
            unit.script(selectAndFetch(c.mapLine, c.running, text));
        const PresetFetch::Result result = PresetFetch::fetch(k, c.item);
        EXPECT_EQ(result.text, c.text);
        EXPECT_EQ(result.failure, c.failure);
        const auto sent = unit.received();
        EXPECT_EQ(std::count(sent.begin(), sent.end(), bytes({0xC0, 1})), c.mapLine.empty() ? 0 : 1)
            << "the program change goes out only with a map";
        EXPECT_EQ(sent.empty(), c.item.isDisabled());
    }
}

TEST(UnitBackup, NamesFromTheUnitBecomeSafeDistinctFileNames)
{
    // The unit's name as a file name, then made safe as every name is.
    const std::vector<std::pair<std::string, std::string>> names = {
        {"Small Room", "Small Room"},
        {"Hall: Large/Dark", "Hall- Large|Dark"},
        {"..", "--"},
    };
    for (const auto& [given, safe] : names)
        EXPECT_EQ(UnitBackup::safeName(given), safe) << given;

    TempDir dir;
    EXPECT_EQ(UnitBackup::freePath(dir.path(), "Echo", ".sig"), dir.path() / "Echo.sig");
    writeFile(dir.path() / "Echo.sig", "kept");
    writeFile(dir.path() / "Echo 2.sig", "kept too");
    EXPECT_EQ(UnitBackup::freePath(dir.path(), "Echo", ".sig"), dir.path() / "Echo 3.sig");
    fs::create_directories(dir.path() / "1 Reverbs");
    EXPECT_EQ(UnitBackup::freePath(dir.path(), "1 Reverbs", ""), dir.path() / "1 Reverbs 2");

    // A backup's file carries its slot, as wide as the bank's highest needs.
    struct Slot {
        int slot, highest;
        std::string name, file;
    };
    for (const Slot& s : std::vector<Slot>{{0, 4, "Pad", "00 Pad"},
                                           {4, 4, "Pad 2", "04 Pad 2"},
                                           {7, 127, "Hall: Large", "007 Hall- Large"},
                                           {12, 99, ".", "12 -"}})
        EXPECT_EQ(UnitBackup::slotFileName(s.slot, s.highest, s.name), s.file) << s.name;

    // Each backup goes into a new folder named with its date and time.
    std::tm when{};
    ASSERT_TRUE(::strptime("2026-12-06 23:42", "%Y-%m-%d %H:%M", &when));
    when.tm_isdst = -1;
    const std::time_t time = std::mktime(&when);
    EXPECT_EQ(UnitBackup::backupFolderName(time), "Backup 2026-12-06 2342");
    std::string failure;
    EXPECT_EQ(UnitBackup::makeBackupFolder(dir / "Backups", time, failure), dir / "Backups" / "Backup 2026-12-06 2342");
    EXPECT_EQ(UnitBackup::makeBackupFolder(dir / "Backups", time, failure),
              dir / "Backups" / "Backup 2026-12-06 2342 2");
    EXPECT_EQ(failure, "");
    EXPECT_TRUE(UnitBackup::makeBackupFolder(dir / "Echo.sig", time, failure).empty());
    EXPECT_EQ(failure.rfind("Cannot make the folder " + (dir / "Echo.sig").string() + ": ", 0), 0u) << failure;
}

TEST(UnitBackup, CopiesEveryBankOfTosk_unitAndKeepsWhatIsOnDisk)
{
    TempDir dir;
    fs::path banks = makeTestBanks(dir.path());
    // Repeated names, told apart by their slots; a name of 200 Latin-1
    // letters, 400 bytes once in UTF-8.
    writeTree(banks, {"9 Long/0 Pad.sig=" + smallRoomText, "9 Long/1 Pad.sig=" + hallText,
                      "9 Long/4 Pad 2.sig=" + echoText, "9 Long/9 " + std::string(200, '\xE9') + ".sig=" + echoText});
    UnitProcess unit(dir.path(), {"--banks", banks.string()});
    ASSERT_TRUE(unit.started());
    KorvatelConnection k(std::make_shared<ChannelNameInfo>(), lineTo(unit.link()), 4000ms, 0ms);
    const fs::path out = dir.path() / "backup";
    writeTree(out, {"7 Delays/Tape Echo.sig=an older copy"});
    std::vector<std::string> steps;
    UnitBackup::Result result = UnitBackup::run(k, out, [&](const UnitBackup::Progress& p) {
        steps.push_back(std::to_string(p.bank) + "/" + std::to_string(p.bankCount) + " " + p.bankName + " " +
                        p.patchName.substr(0, 12) + " " + std::to_string(p.written));
        // Another copy into the same folder takes the name while the unit answers.
        if (p.patchName == "0 Small Room")
            writeFile(out / "1 Reverbs" / "00 Small Room.sig", "written meanwhile");
    });
    EXPECT_EQ(std::tuple(result.failure, result.cancelled, result.bankCount), std::tuple("", false, 3u));
    ASSERT_EQ(result.files.size(), 7u);
    // A bank's folder there already gets a new one beside it, the old copy untouched.
    const std::pair<const char*, std::string> files[] = {{"1 Reverbs/00 Small Room.sig", "written meanwhile"},
                                                         {"1 Reverbs/00 Small Room 2.sig", smallRoomText},
                                                         {"1 Reverbs/01 Hall- Large|Dark.sig", hallText},
                                                         {"7 Delays/Tape Echo.sig", "an older copy"},
                                                         {"7 Delays 2/00 Tape Echo.sig", echoText},
                                                         {"9 Long/00 Pad.sig", smallRoomText},
                                                         {"9 Long/01 Pad.sig", hallText},
                                                         {"9 Long/04 Pad 2.sig", echoText}};
    for (const auto& [file, text] : files)
        EXPECT_EQ(readFile(out / file), text) << file;
    // A name too long for the file system is cut, and the backup goes on.
    std::string cutName = "09 ";
    for (int i = 0; i < 120; ++i)
        cutName += "\xC3\xA9";
    const fs::path cut = out / "9 Long" / (cutName + ".sig");
    EXPECT_EQ(result.files[6], cut);
    EXPECT_EQ(readFile(cut), echoText);
    EXPECT_EQ(steps, (std::vector<std::string>{"1/3 1 Reverbs  0", "1/3 1 Reverbs 0 Small Room 0",
                                               "1/3 1 Reverbs 1 Hall: Larg 1", "2/3 7 Delays  2",
                                               "2/3 7 Delays 0 Tape Echo 2", "3/3 9 Long  3", "3/3 9 Long 0 Pad 3",
                                               "3/3 9 Long 1 Pad 4", "3/3 9 Long 4 Pad 2 5",
                                               "3/3 9 Long 9 \xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9 6"}));

    // Stopped before it starts: nothing more is written.
    std::atomic<bool> stop{true};
    const UnitBackup::Result stopped = UnitBackup::run(k, dir.path() / "second", {}, &stop);
    EXPECT_TRUE(stopped.cancelled && stopped.files.empty());
}
