// SPDX-License-Identifier: GPL-3.0-or-later
// The real termios code against tosk-unit on a pseudo-terminal.
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "comms/KorvatelConnection.h"
#include "comms/SerialLineLock.h"
#include "comms/UnitBackup.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace tosk;
using namespace tosk::test;

// The front panel, the unit's own panel or another program may load another
// bank while a connection believes it knows the one loaded: a backup selects
// each bank the unit does not have loaded, once, and no patch costs a select
// of its own.
TEST(UnitEndToEnd, ABackupSelectsEachBankTheUnitDoesNotHaveLoadedOnce)
{
    TempDir dir;
    UnitProcess unit(dir.path(), {"--banks", makeTestBanks(dir.path()).string()});
    ASSERT_TRUE(unit.started());
    KorvatelConnection k(unitWithId(0), lineTo(unit.link()), 1000ms, 0ms);
    k.selectPatch(0, 7);
    loadBankElsewhere(unit.link(), 0); // "1 Reverbs"
    const size_t before = unit.trace().size();
    const fs::path out = dir.path() / "backup";
    const UnitBackup::Result result = UnitBackup::run(k, out);
    EXPECT_EQ(result.failure, "");
    EXPECT_EQ(result.files.size(), 3u);
    EXPECT_EQ(readFile(out / "1 Reverbs" / "01 Hall- Large|Dark.sig"), hallText);
    const std::vector<std::string> trace = unit.trace();
    std::vector<std::string> selects;
    std::copy_if(trace.begin() + long(before), trace.end(), std::back_inserter(selects),
                 [](const std::string& line) { return line.rfind("F0 1C 70 00 03 ", 0) == 0; });
    EXPECT_EQ(selects, std::vector<std::string>{"F0 1C 70 00 03 00 00 00 07 F7"});
}

// The editor's queued requests (browsing is tosk-cli's test) address the
// unit by its own id: asked once per line, asked again when the unit there
// no longer answers to it, and a unit answering as another device is named.
TEST(UnitEndToEnd, QueuedPatchesGoToTheUnitsOwnDeviceId)
{
    TempDir dir;
    auto unit = std::make_unique<UnitProcess>(
        dir.path(), std::vector<std::string>{"--banks", makeTestBanks(dir.path()).string(), "--device-id", "5"});
    ASSERT_TRUE(unit->started());
    Queued q(unit->link());
    q.processor.addressUnitsOwnId();
    EXPECT_EQ(textOf(q.ask(0x0B).payload), smallRoomText);
    EXPECT_EQ(textOf(q.ask(0x0B).payload), smallRoomText);
    EXPECT_EQ(unit->trace(), (std::vector<std::string>{"F0 1C 70 00 1A F7", "F0 1C 70 05 0B F7", "F0 1C 70 05 0B F7"}));
    // Patch text as 0x08 awaits no reply and gets none.
    q.send(0x08, bytes(hallText));
    ASSERT_TRUE(q.settle());
    EXPECT_EQ(textOf(q.ask(0x0B).payload), hallText);

    // A unit window's own line sends one back the same way, in one message.
    const std::string mine = "HEADM adc\r\nTAIL \"Me\"\r\n";
    KorvatelConnection k(unitWithId(5), lineTo(unit->link()), 1000ms, 0ms);
    const size_t heard = unit->trace().size();
    EXPECT_TRUE(k.sendSigFile(mine));
    EXPECT_EQ(k.getSigFile(), mine);
    const std::vector<std::string> trace = unit->trace();
    ASSERT_EQ(trace.size(), heard + 2);
    EXPECT_EQ(trace[heard].rfind("F0 1C 70 05 0A 48 45 41 44", 0), 0u) << trace[heard];

    // Another unit on the same line: the first command says so, the next works.
    unit.reset();
    UnitProcess other(dir.path(), {"--banks", makeTestBanks(dir.path()).string(), "--device-id", "7"});
    ASSERT_TRUE(other.started());
    q.send(0x0B);
    ASSERT_TRUE(q.settle());
    ASSERT_TRUE(q.client->calls.back().second);
    EXPECT_EQ(q.client->calls.back().second->reason(), "The unit answered as device 7, not 5.");
    EXPECT_EQ(textOf(q.ask(0x0B).payload), smallRoomText);
    EXPECT_EQ(other.trace().back(), "F0 1C 70 07 0B F7");
}

TEST(UnitEndToEnd, AReplyWithoutEndIsCutOffAndTheNextCommandWorks)
{
    struct Case {
        std::vector<std::string> args;
        std::chrono::milliseconds replyLimit;
        std::string failure;
    };
    const std::string notAReply = "; the line is not carrying a unit's reply";
    const Case cases[] = {
        {{},
         KorvatelConnection::defaultReplyLimit,
         "KorvatelConnection.getSigFile: the reply grew beyond 67108864 bytes without its end (F7)" + notAReply},
        {{"--rate", "20000"},
         1500ms,
         "KorvatelConnection.getSigFile: the reply did not end within 1.5 seconds" + notAReply},
    };
    for (const Case& c : cases) {
        TempDir dir;
        // Three answers first: the fetch asks which bank the unit has loaded
        // (program, load, banks) before it asks for the patch.
        std::vector<std::string> args{"--banks", makeTestBanks(dir.path()).string(), "--endless-after", "3"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        UnitProcess unit(dir.path(), args);
        ASSERT_TRUE(unit.started());
        KorvatelConnection k(unitWithId(0), lineTo(unit.link()), 1000ms, 0ms, c.replyLimit);
        auto hall = Patch::patchWithName("Hall: Large/Dark", 1, 1);
        LogCapture quiet;
        EXPECT_FALSE(k.getSigFileForPatch(*hall));
        ASSERT_TRUE(k.lastFailure());
        EXPECT_EQ(failureText(*k.lastFailure()), c.failure);
        EXPECT_FALSE(SerialLineLock::isHeld(unit.link()));

        // The unit streams on until the next request, which it answers.
        EXPECT_EQ(k.getSigFileForPatch(*hall), hallText) << c.failure;
    }
}

TEST(UnitEndToEnd, TheDemoBanksAreAcceptedByAUnitWithTheBundledDatabase)
{
    TempDir dir;
    UnitProcess unit(dir.path()); // the bundled banks and database
    ASSERT_TRUE(unit.started());
    Queued q(unit.link(), 150ms);
    size_t files = 0;
    for (const auto& bank : fs::directory_iterator(dataPath("unit/banks"))) {
        for (const auto& file : fs::directory_iterator(bank.path())) {
            std::string patch = readFile(file.path());
            size_t calls = q.client->calls.size();
            q.send(0x0A, bytes(patch));
            ASSERT_TRUE(q.settle());
            EXPECT_EQ(q.client->calls.size(), calls) << "refused: " << file.path();
            EXPECT_EQ(textOf(q.ask(0x0B).payload), patch);
            ++files;
        }
    }
    EXPECT_EQ(files, 7u);
}

TEST(UnitEndToEnd, TheSimulatorNeverReplacesAFileWithItsLink)
{
    TempDir dir;
    writeFile(dir / "precious", "keep me");
    ProcessResult r = runTool("tosk-unit", {"--link", (dir / "precious").string()}, 5000ms);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "tosk-unit: " + (dir / "precious").string() + " exists and is not a link; not replacing it\n");
    EXPECT_EQ(readFile(dir / "precious"), "keep me");
    // Options it cannot use: why (for a wrong option, then the usage), and exit 2.
    const std::pair<std::vector<std::string>, std::string> unusable[] = {
        {{}, "tosk-unit: --link PATH is required\n\nUsage: "},
        {{"--link", (dir / "l").string(), "--bogus"}, "tosk-unit: unknown option '--bogus'\n\nUsage: "},
        {{"--link", (dir / "l").string(), "--narrow", "depth"},
         "tosk-unit: --narrow needs NAME=MIN:MAX, not 'depth'\n"},
    };
    for (const auto& [args, why] : unusable) {
        ProcessResult u = runTool("tosk-unit", args);
        EXPECT_EQ(u.exitCode, 2) << why;
        EXPECT_EQ(u.err.substr(0, why.size()), why);
    }

    // A stale link from an earlier run is replaced, and removed again at the end.
    fs::create_symlink("/nonexistent", dir / "stale");
    {
        UnitProcess unit(dir.path(), {}, "stale");
        ASSERT_TRUE(unit.started());
        EXPECT_NE(fs::read_symlink(dir / "stale"), "/nonexistent");
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "stale")));
}
