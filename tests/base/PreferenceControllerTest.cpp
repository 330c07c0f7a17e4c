// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/PreferenceController.h"
#include "base/Log.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tosk;

namespace {
using P = PreferenceController;
using Values = std::map<std::string, std::string>;
} // namespace

TEST(PreferenceController, FirstStartWritesTheFiveLineDefaultsOnlyOnce)
{
    const Values defaults{
        {"BaudRate", "115200"}, {"DataBits", "8"}, {"Parity", "None"}, {"StopBits", "2"}, {"FlowControl", "None"}};
    MemorySettingsStore store;
    P prefs(store);
    EXPECT_EQ(store.values, defaults) << "no port name, no colours written";

    prefs.setBaudRate("38400");
    P again(store);
    EXPECT_EQ(again.baudRateDefault(), "38400") << "a second start keeps the user's settings";

    MemorySettingsStore partial;
    partial.setValue("BaudRate", "9600");
    P repaired(partial);
    EXPECT_EQ(partial.values, (Values{{"BaudRate", "9600"}})) << "a store with a bit rate is not repaired";
}

// The keys are those the editor has always stored (the CLI reads them too).
TEST(PreferenceController, SettingsGoUnderTheirKeys)
{
    MemorySettingsStore store;
    P prefs(store);
    EXPECT_EQ(prefs.sigDbaseLocation(), "");
    EXPECT_EQ(prefs.midiChannel(), 0);
    prefs.setSigDbaseLocation("/home/u/sigdbase.sbf");
    prefs.setCreateNewDoc(true);
    prefs.setHighSampleRate(true);
    prefs.setConnectionType("Midi");
    prefs.setScreenSavePath("/tmp/screen.tif");
    prefs.setDiskPatchPath("/home/u/patches");
    prefs.setPortName("/dev/ttyUSB0");
    prefs.setMidiChannel(" 12abc");
    Values expected{{"BaudRate", "115200"},
                    {"DataBits", "8"},
                    {"Parity", "None"},
                    {"StopBits", "2"},
                    {"FlowControl", "None"},
                    {"SigDbasePath", "/home/u/sigdbase.sbf"},
                    {"CreateNewDocKey", "true"},
                    {"HighSampleRateKey", "true"},
                    {"ConnectionTypeKey", "Midi"},
                    {"ScreenSavePath", "/tmp/screen.tif"},
                    {"DiskPatchPath", "/home/u/patches"},
                    {"PortName", "/dev/ttyUSB0"},
                    {"MidiChannelKey", " 12abc"}};
    EXPECT_EQ(store.values, expected);
    EXPECT_EQ(prefs.midiChannel(), 12);
    EXPECT_TRUE(prefs.connectWithMidi());
    EXPECT_FALSE(prefs.connectWithSerial());
    prefs.setConnectionType("Serial");
    EXPECT_FALSE(prefs.connectWithMidi());
    EXPECT_TRUE(prefs.connectWithSerial());
    prefs.setConnectionType("midi");
    EXPECT_FALSE(prefs.connectWithMidi()) << "the type is compared exactly";
}

TEST(PreferenceController, ColoursSurviveARestartUnderTheirKeys)
{
    MemorySettingsStore store;
    const Color mine{0.1, 0.2, 0.3, 0.5};
    {
        P prefs(store);
        EXPECT_EQ(prefs.colorForId(ci_fill), Color::fromRgb255(245, 245, 245));
        prefs.setColorForId(mine, ci_fill);
        EXPECT_EQ(prefs.colorForId(ci_fill), mine);
        EXPECT_EQ(store.values["ci_fill"], "0.1 0.2 0.3 0.5");
        const size_t before = store.values.size();
        prefs.setColorForId(Color::white(), 18);
        prefs.setColorForId(Color::white(), -1);
        EXPECT_EQ(store.values.size(), before) << "indexes past the table store nothing";
        for (int id : {18, -1})
            EXPECT_EQ(prefs.colorForId(id), Color::black()) << id;
        for (int id : {19, -1})
            EXPECT_EQ(prefs.colorForOperatorId(id), Color::white()) << id;
        EXPECT_EQ(prefs.colorForOperatorId(18), Color::fromRgb255(130, 245, 230)) << "the library's";
    }
    store.setValue("MIXER", "1 0 0 1");
    P restarted(store);
    EXPECT_EQ(restarted.colorForId(ci_fill), mine) << "the stored colour wins over 245,245,245";
    EXPECT_EQ(restarted.colorForId(ci_stroke), Color::black());
    EXPECT_EQ(restarted.colorForOperatorId(11), (Color{1, 0, 0, 1})) << "class colours are read from the store too";

    LogCapture quiet;
    store.setValue("ci_high", "0.5 0.5");
    store.setValue("ci_bubble", "2 0 0 1");
    P damaged(store);
    EXPECT_EQ(damaged.colorForId(ci_high), Color::fromRgb255(0, 0, 255)) << "unreadable text falls back to the table";
    EXPECT_EQ(damaged.colorForId(ci_bubble), Color::fromRgb255(255, 255, 0));
}

TEST(PreferenceController, ColourTextRoundTrips)
{
    for (Color c :
         {Color{0, 0, 0, 1}, Color{1, 1, 1, 0}, Color::fromRgb255(132, 255, 132), Color{1e-7, 0.333, 2.0 / 3, 1}})
        EXPECT_EQ(P::decodeColor(P::encodeColor(c)), c);
    EXPECT_EQ(P::decodeColor(" 1  0 0.5 1 "), (Color{1, 0, 0.5, 1}));
    for (const char* bad : {"", "1 2 3", "0 0 0 1 0", "a b c d", "0.5 0.5 0.5 -0.1", "0 0 0 nan", "0,0,0,1"})
        EXPECT_EQ(P::decodeColor(bad), std::nullopt) << bad;
}

TEST(PreferenceController, SharedControllerUsesTheInstalledStore)
{
    MemorySettingsStore first, second;
    second.setValue("ci_comment", "0 0 1 1");
    P::setStore(&first);
    P& shared = P::shared();
    EXPECT_EQ(&shared.store(), &first);
    EXPECT_EQ(first.values["StopBits"], "2");
    P::setStore(&second);
    EXPECT_EQ(&P::shared(), &shared) << "the shared controller stays the same object";
    EXPECT_EQ(&shared.store(), &second);
    EXPECT_EQ(shared.colorForId(ci_comment), (Color{0, 0, 1, 1}));
    P::setStore(nullptr);
    EXPECT_NE(&shared.store(), &second);
    EXPECT_EQ(shared.baudRateDefault(), "115200");
}

TEST(PreferenceController, RemembersEachBackupFolderOnce)
{
    MemorySettingsStore store;
    P prefs(store);
    EXPECT_TRUE(prefs.backupFolders().empty());
    for (const char* folder : {"/home/ann/Backups/Backup 2026-12-06 2342", "/media/usb/Backup 2026-12-07 0910",
                               "/home/ann/Backups/Backup 2026-12-06 2342", "", "/odd\nname"})
        prefs.addBackupFolder(folder);
    EXPECT_EQ(store.values.at("BackupFolders"),
              "/home/ann/Backups/Backup 2026-12-06 2342\n/media/usb/Backup 2026-12-07 0910");
    EXPECT_EQ(P(store).backupFolders(), (std::vector<std::string>{"/home/ann/Backups/Backup 2026-12-06 2342",
                                                                  "/media/usb/Backup 2026-12-07 0910"}));
}
