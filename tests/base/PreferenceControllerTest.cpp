// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/PreferenceController.h"
#include "base/Log.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tosk;

namespace {
using P = PreferenceController;
}

TEST(PreferenceController, FirstStartWritesTheFiveLineDefaultsOnlyOnce)
{
    MemorySettingsStore store;
    P prefs(store);
    EXPECT_EQ(
        store.values,
        (std::map<std::string, std::string>{
            {"BaudRate", "115200"}, {"DataBits", "8"}, {"Parity", "None"}, {"StopBits", "2"}, {"FlowControl", "None"}}))
        << "no port name, no colours written";
    EXPECT_EQ(prefs.stopBitsDefault(), "2");
    EXPECT_EQ(prefs.portNameDefault(), std::nullopt);

    prefs.setBaudRate("38400");
    prefs.setPortName("/dev/ttyUSB0");
    P again(store);
    EXPECT_EQ(again.baudRateDefault(), "38400") << "a second start keeps the user's settings";
    EXPECT_EQ(again.portNameDefault(), "/dev/ttyUSB0");

    MemorySettingsStore partial;
    partial.setValue("BaudRate", "9600");
    P repaired(partial);
    EXPECT_EQ(repaired.stopBitsDefault(), std::nullopt) << "a store with a bit rate is not repaired";
    EXPECT_EQ(repaired.dataBitsDefault(), std::nullopt);
    EXPECT_EQ(partial.values.size(), 1u);
}

TEST(PreferenceController, SwitchesPathsAndConnectionUnderTheirKeys)
{
    MemorySettingsStore store;
    P prefs(store);
    EXPECT_EQ(prefs.sigDbaseLocation(), "");
    EXPECT_FALSE(prefs.createNewDoc() || prefs.highSampleRate() || prefs.connectWithMidi() ||
                 prefs.connectWithSerial());
    EXPECT_EQ(prefs.midiChannel(), 0);
    EXPECT_EQ(prefs.screenSavePath(), std::nullopt);
    EXPECT_EQ(prefs.diskPatchPath(), std::nullopt);

    prefs.setSigDbaseLocation("/home/u/sigdbase.sbf");
    prefs.setCreateNewDoc(true);
    prefs.setHighSampleRate(true);
    prefs.setConnectionType("Midi");
    prefs.setScreenSavePath("/tmp/screen.tif");
    prefs.setDiskPatchPath("/home/u/patches");
    EXPECT_EQ(store.values["SigDbasePath"], "/home/u/sigdbase.sbf");
    EXPECT_TRUE(store.boolValue("CreateNewDocKey"));
    EXPECT_EQ(store.values["ConnectionTypeKey"], "Midi");
    P again(store);
    EXPECT_EQ(again.sigDbaseLocation(), "/home/u/sigdbase.sbf");
    EXPECT_TRUE(again.createNewDoc() && again.highSampleRate() && again.connectWithMidi());
    EXPECT_FALSE(again.connectWithSerial());
    EXPECT_EQ(again.screenSavePath(), "/tmp/screen.tif");
    EXPECT_EQ(again.diskPatchPath(), "/home/u/patches");
    prefs.setConnectionType("Serial");
    EXPECT_FALSE(prefs.connectWithMidi());
    EXPECT_TRUE(prefs.connectWithSerial());
    prefs.setConnectionType("midi");
    EXPECT_FALSE(prefs.connectWithMidi()) << "the type is compared exactly";

    const std::pair<const char*, int> channels[] = {
        {"5", 5}, {" 12", 12}, {"3abc", 3}, {"-2", -2}, {"abc", 0}, {"", 0}, {"99999999999", INT_MAX}};
    for (auto [text, value] : channels) {
        prefs.setMidiChannel(text);
        EXPECT_EQ(store.values["MidiChannelKey"], text);
        EXPECT_EQ(prefs.midiChannel(), value) << text;
    }
}

TEST(PreferenceController, ColourTablesAsTabled)
{
    MemorySettingsStore store;
    P prefs(store);
    const auto& roles = P::roleColorTable();
    ASSERT_EQ(roles.size(), 18u);
    EXPECT_STREQ(roles[ci_bubble].key, "ci_bubble");
    EXPECT_EQ(prefs.colorForId(ci_fill), (Color{245 / 255.0, 245 / 255.0, 245 / 255.0, 1.0}));
    EXPECT_EQ(prefs.colorForId(ci_bubble), Color::fromRgb255(255, 255, 0));
    EXPECT_EQ(prefs.colorForId(18), Color::black());
    EXPECT_EQ(prefs.colorForId(-1), Color::black());

    const auto& classes = P::operatorColorTable();
    ASSERT_EQ(classes.size(), 19u);
    EXPECT_STREQ(classes[18].key, "Library");
    EXPECT_EQ(prefs.colorForOperatorId(18), Color::fromRgb255(130, 245, 230));
    EXPECT_EQ(prefs.colorForOperatorId(19), Color::white());
    EXPECT_EQ(prefs.colorForOperatorId(-1), Color::white());
}

TEST(PreferenceController, ColoursSurviveARestartUnderTheirKeys)
{
    MemorySettingsStore store;
    const Color mine{0.1, 0.2, 0.3, 0.5};
    {
        P prefs(store);
        prefs.setColorForId(mine, ci_fill);
        EXPECT_EQ(prefs.colorForId(ci_fill), mine);
        EXPECT_EQ(store.values["ci_fill"], "0.1 0.2 0.3 0.5");
        const size_t before = store.values.size();
        prefs.setColorForId(Color::white(), 18);
        prefs.setColorForId(Color::white(), -1);
        EXPECT_EQ(store.values.size(), before) << "indexes past the table store nothing";
        EXPECT_EQ(prefs.colorForId(18), Color::black());
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
    prefs.addBackupFolder("/home/ann/Backups/Backup 2026-12-06 2342");
    prefs.addBackupFolder("/media/usb/Backup 2026-12-07 0910");
    prefs.addBackupFolder("/home/ann/Backups/Backup 2026-12-06 2342");
    prefs.addBackupFolder("");
    prefs.addBackupFolder("/odd\nname");
    EXPECT_EQ(store.values.at("BackupFolders"),
              "/home/ann/Backups/Backup 2026-12-06 2342\n/media/usb/Backup 2026-12-07 0910");
    EXPECT_EQ(P(store).backupFolders(), (std::vector<std::string>{"/home/ann/Backups/Backup 2026-12-06 2342",
                                                                  "/media/usb/Backup 2026-12-07 0910"}));
}
