// SPDX-License-Identifier: GPL-3.0-or-later
// The autosave folder, the rule that says when a text is due, and the thread
// that writes: without Qt and without waiting for real intervals.
#include "base/AutosavePolicy.h"
#include "base/AutosaveStore.h"
#include "base/AutosaveWriter.h"
#include "base/MainThreadPoster.h"
#include "base/TkxException.h"

#include "support/FolderTree.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

using namespace tosk;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

fs::perms mode(const fs::path& path)
{
    return fs::status(path).permissions() & fs::perms::all;
}

using Entry = AutosaveStore::Entry;

// "id path savedAt" of each entry, in the order given.
std::vector<std::string> listed(const std::vector<Entry>& entries)
{
    std::vector<std::string> lines;
    for (const Entry& e : entries)
        lines.push_back(e.id + " " + e.originalPath + " " + std::to_string(e.savedAt));
    return lines;
}

constexpr auto userOnly = fs::perms::owner_read | fs::perms::owner_write;

} // namespace

TEST(AutosaveStore, FolderFollowsXdgStateHomeThenHome)
{
    struct Case {
        std::optional<std::string> state, home;
        std::string expected;
    };
    const Case cases[] = {
        {"/s", "/h", "/s/tosk/autosave"},
        {"relative/state", "/h", "/h/.local/state/tosk/autosave"}, // not absolute: ignored
        {std::nullopt, "/h", "/h/.local/state/tosk/autosave"},
        {std::nullopt, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        test::ScopedEnv state("XDG_STATE_HOME", c.state.value_or(""));
        test::ScopedEnv home("HOME", c.home.value_or(""));
        if (!c.state)
            unsetenv("XDG_STATE_HOME"); // put back by the guard all the same
        if (!c.home)
            unsetenv("HOME");
        EXPECT_EQ(AutosaveStore::defaultDirectory(), c.expected) << c.state.value_or("(unset)");
    }
}

TEST(AutosaveStore, IdsNameTheirSessionAndEntriesAreWrittenReadBackRenamedAndRemoved)
{
    const std::string a = AutosaveStore::newSessionId();
    const std::string b = AutosaveStore::newSessionId();
    EXPECT_NE(a, b);
    EXPECT_EQ(a.size(), std::string("20250107T093011-5f3a9c2e").size()) << a;
    EXPECT_EQ(AutosaveStore::entryId(a, 3), a + "-3");
    EXPECT_EQ(AutosaveStore::sessionOf(a + "-3"), a);
    EXPECT_EQ(AutosaveStore::sessionOf("plain"), "plain");

    test::TempDir dir;
    const fs::path folder = dir / "state" / "tosk" / "autosave";
    AutosaveStore store(folder.string());
    const std::string text("HEADM adc \"Chorus\" demo\r\n\xe9\0end", 31);

    store.write(Entry{"S1-1", "/home/u/patches/demo.sig", 1736242211}, text);
    EXPECT_EQ(test::namesIn(folder), (std::set<std::string>{"S1-1.json", "S1-1.sig"}));
    EXPECT_EQ(test::readFile(folder / "S1-1.sig"), text);
    const auto info = nlohmann::json::parse(test::readFile(folder / "S1-1.json"));
    EXPECT_EQ(info, (nlohmann::json{{"originalPath", "/home/u/patches/demo.sig"},
                                    {"savedAt", 1736242211},
                                    {"savedAtText", "2025-01-07T09:30:11Z"}}));

    std::string read;
    ASSERT_TRUE(store.readText("S1-1", read));
    EXPECT_EQ(read, text);

    store.write(Entry{"S1-1", "/home/u/patches/demo.sig", 1736242241}, "second");
    store.write(Entry{"S1-2", "", 1736242100}, "untitled");
    EXPECT_EQ(listed(store.entries()),
              (std::vector<std::string>{"S1-2  1736242100", "S1-1 /home/u/patches/demo.sig 1736242241"}))
        << "oldest first";

    ASSERT_TRUE(store.rename("S1-1", "S2-1"));
    EXPECT_EQ(test::namesIn(folder), (std::set<std::string>{"S1-2.json", "S1-2.sig", "S2-1.json", "S2-1.sig"}));
    EXPECT_EQ(test::readFile(folder / "S2-1.sig"), "second");
    EXPECT_FALSE(store.rename("S1-1", "S3-1"));

    EXPECT_TRUE(store.remove("S2-1"));
    EXPECT_TRUE(store.remove("S2-1")) << "nothing left to remove is no failure";
    EXPECT_EQ(test::namesIn(folder), (std::set<std::string>{"S1-2.json", "S1-2.sig"}));
}

TEST(AutosaveStore, ListsWhatACrashLeftAndTheEntriesOfEndedSessions)
{
    test::TempDir dir;
    AutosaveStore store(dir.path().string());
    test::writeFile(dir / "S1-1.sig", "text without info"); // killed between the two writes
    test::writeFile(dir / "S1-2.sig", "text with broken info");
    test::writeFile(dir / "S1-2.json", "{\"originalPath\": "); // cut short
    test::writeFile(dir / "S1-3.sig", "text with odd info");
    test::writeFile(dir / "S1-3.json", "{\"originalPath\": 7, \"savedAt\": \"x\"}");
    test::writeFile(dir / ".S1-4.sig.tmp1234", "half a temporary file");
    test::writeFile(dir / "S1.lock", "123\ntosk\nhost\n");
    test::writeFile(dir / "notes.txt", "not ours");
    fs::create_directory(dir / "folder.sig");

    std::set<std::string> ids;
    for (const auto& e : store.entries()) {
        ids.insert(e.id);
        EXPECT_EQ(e.originalPath, "") << e.id;
        EXPECT_GT(e.savedAt, 1600000000) << e.id << ": the time of the text file";
    }
    EXPECT_EQ(ids, (std::set<std::string>{"S1-1", "S1-2", "S1-3"}));
    EXPECT_EQ(store.lockedSessions(), (std::vector<std::string>{"S1"}));
    EXPECT_TRUE(AutosaveStore((dir / "missing").string()).entries().empty());

    store.write(Entry{"OWN-1", "/a.sig", 100}, "own");
    store.write(Entry{"ALIVE-1", "/b.sig", 101}, "alive");
    store.write(Entry{"DEAD-1", "/c.sig", 103}, "dead one");
    store.write(Entry{"DEAD-2", "", 102}, "dead two");
    store.write(Entry{"GONE-7", "/d.sig", 104}, "gone");

    std::map<std::string, int> asked;
    const auto left = store.leftOvers("OWN", [&](const std::string& session) {
        ++asked[session];
        return session == "ALIVE" || session == "S1";
    });
    EXPECT_EQ(listed(left), (std::vector<std::string>{"DEAD-2  102", "DEAD-1 /c.sig 103", "GONE-7 /d.sig 104"}));
    EXPECT_EQ(asked, (std::map<std::string, int>{{"ALIVE", 1}, {"DEAD", 1}, {"GONE", 1}, {"S1", 1}}))
        << "each session asked once, the own never";
}

// The texts are the user's alone, also in a folder others may enter and over
// an entry others may read (made by hand or by an older version); a write
// that fails leaves the entry as it was.
TEST(AutosaveStore, EntriesAreClosedToOthersAndAFailedWriteLeavesTheEntryAsItWas)
{
    test::TempDir dir;
    const fs::path folder = dir / "autosave";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    test::writeFile(folder / "S1-1.sig", "old");
    fs::permissions(folder / "S1-1.sig", userOnly | fs::perms::group_read | fs::perms::others_read);

    AutosaveStore(folder.string()).write(Entry{"S1-1", "", 1}, "new");
    EXPECT_EQ((std::vector{mode(folder), mode(folder / "S1-1.sig"), mode(folder / "S1-1.json")}),
              (std::vector{fs::perms::owner_all, userOnly, userOnly}))
        << "the folder, the entry's files, also the new one";
    EXPECT_EQ(test::readFile(folder / "S1-1.sig"), "new");

    test::writeFile(dir / "file", "a file where the folder should be");
    EXPECT_THROW(AutosaveStore((dir / "file" / "autosave").string()).write(Entry{"S-1", "", 1}, "text"), TkxException);

    AutosaveStore store(dir.path().string());
    store.write(Entry{"S-1", "/p.sig", 1}, "kept");
    fs::create_directory(dir / "S-2.sig"); // a folder in the way of the text
    EXPECT_THROW(store.write(Entry{"S-2", "/p.sig", 2}, "new"), TkxException);
    EXPECT_FALSE(fs::exists(dir / "S-2.json")) << "no info without its text";
    EXPECT_EQ(test::readFile(dir / "S-1.sig"), "kept");

    EXPECT_THROW(AutosaveStore("").makeDirectory(), TkxException);
}

TEST(AutosavePolicy, TextIsDueAnIntervalAfterTheFirstChangeOrAfterEnoughChanges)
{
    using Action = AutosavePolicy::Action;
    const auto t0 = AutosavePolicy::Clock::time_point{} + 1h;
    AutosavePolicy policy({30s, 3});
    EXPECT_FALSE(policy.deadline());
    EXPECT_FALSE(policy.due(t0 + 1h));

    EXPECT_EQ(policy.changed(true, t0), Action::Wait);
    EXPECT_EQ(policy.deadline(), t0 + 30s);
    EXPECT_EQ(policy.changed(true, t0 + 10s), Action::Wait);
    EXPECT_EQ(policy.deadline(), t0 + 30s) << "counted from the first change, not pushed back";
    EXPECT_FALSE(policy.due(t0 + 29s));
    EXPECT_TRUE(policy.due(t0 + 30s));
    policy.written();
    EXPECT_TRUE(policy.hasAutosave());
    EXPECT_FALSE(policy.deadline());
    EXPECT_FALSE(policy.due(t0 + 1h));

    EXPECT_EQ(policy.changed(true, t0 + 40s), Action::Wait);
    EXPECT_EQ(policy.changed(true, t0 + 41s), Action::Wait);
    EXPECT_EQ(policy.changed(true, t0 + 42s), Action::WriteNow) << "the third change";
    EXPECT_TRUE(policy.due(t0 + 42s));
    policy.written();

    // Undone back to the file: the autosave goes, once.
    EXPECT_EQ(policy.changed(false, t0 + 50s), Action::Remove);
    EXPECT_FALSE(policy.hasAutosave());
    EXPECT_EQ(policy.changed(false, t0 + 51s), Action::None);

    // A failed write is tried again an interval later, also without changes.
    EXPECT_EQ(policy.changed(true, t0 + 60s), Action::Wait);
    policy.written();
    policy.writeFailed(t0 + 61s);
    EXPECT_EQ(policy.deadline(), t0 + 91s);
    EXPECT_EQ(policy.pendingChanges(), 1);

    policy.discarded();
    EXPECT_FALSE(policy.deadline());
    EXPECT_FALSE(policy.hasAutosave());

    AutosavePolicy onlyTime({5s, 0});
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(onlyTime.changed(true, t0), Action::Wait) << "no count limit";
}

TEST(AutosaveWriter, WritesInOrderNeverUndoesARemovalAndTellsFailuresOnTheMainThread)
{
    test::TempDir dir;
    QueuedMainThreadPoster poster;
    std::vector<std::string> failures;
    auto failed = [&](const std::string& id, const std::string&, const std::string&) { failures.push_back(id); };
    {
        AutosaveWriter writer(AutosaveStore(dir.path().string()), poster, failed);
        for (int i = 0; i < 50; ++i)
            writer.write(Entry{"S-1", "/p.sig", i}, "text " + std::to_string(i));
        writer.flush();
        EXPECT_EQ(test::readFile(dir / "S-1.sig"), "text 49") << "the last text given wins";

        for (int round = 0; round < 20; ++round) {
            writer.write(Entry{"S-2", "", round}, std::string(100000, char('a' + round % 26)));
            writer.write(Entry{"S-3", "", round}, "kept");
            writer.remove("S-2");
        }
        writer.flush();
        EXPECT_EQ(test::namesIn(dir.path()), (std::set<std::string>{"S-1.json", "S-1.sig", "S-3.json", "S-3.sig"}));
        // The jobs given before the writer goes are done.
        writer.write(Entry{"S-4", "", 1}, "text 4");
        writer.remove("S-1");
    }
    EXPECT_EQ(test::namesIn(dir.path()), (std::set<std::string>{"S-3.json", "S-3.sig", "S-4.json", "S-4.sig"}));
    EXPECT_EQ(test::readFile(dir / "S-4.sig"), "text 4");
    poster.pump();
    EXPECT_TRUE(failures.empty());

    test::writeFile(dir / "file", "in the way");
    {
        AutosaveWriter writer(AutosaveStore((dir / "file" / "autosave").string()), poster, failed);
        writer.write(Entry{"S-1", "", 1}, "text");
        writer.flush();
        EXPECT_TRUE(failures.empty()) << "told on the main thread only";
        EXPECT_EQ(poster.pump(), 1u);
        EXPECT_EQ(failures, std::vector<std::string>{"S-1"});
        writer.write(Entry{"S-1", "", 2}, "again");
    }
    failures.clear();
    poster.pump();
    EXPECT_TRUE(failures.empty()) << "a failure after the writer is gone is dropped";
}
