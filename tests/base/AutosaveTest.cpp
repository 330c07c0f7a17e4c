// SPDX-License-Identifier: GPL-3.0-or-later
// The autosave folder, the rule that says when a text is due, and the thread
// that writes: without Qt and without waiting for real intervals.
#include "base/AutosavePolicy.h"
#include "base/AutosaveStore.h"
#include "base/AutosaveWriter.h"
#include "base/MainThreadPoster.h"
#include "base/TkxException.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <tuple>

using namespace tosk;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

std::set<std::string> names(const fs::path& dir)
{
    std::set<std::string> found;
    for (const auto& e : fs::directory_iterator(dir))
        found.insert(e.path().filename().string());
    return found;
}

// Sets (or with nullopt unsets) an environment variable for the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

AutosaveStore::Entry entry(const std::string& id, const std::string& path, int64_t savedAt)
{
    AutosaveStore::Entry e;
    e.id = id;
    e.originalPath = path;
    e.savedAt = savedAt;
    return e;
}

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
        {"", "/h", "/h/.local/state/tosk/autosave"},
        {std::nullopt, "/h", "/h/.local/state/tosk/autosave"},
        {std::nullopt, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        ScopedEnv state("XDG_STATE_HOME", c.state);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(AutosaveStore::defaultDirectory(), c.expected) << c.state.value_or("(unset)");
    }
}

TEST(AutosaveStore, IdsNameTheirSession)
{
    const std::string a = AutosaveStore::newSessionId();
    const std::string b = AutosaveStore::newSessionId();
    EXPECT_NE(a, b);
    EXPECT_EQ(a.size(), std::string("20250107T093011-5f3a9c2e").size()) << a;
    EXPECT_EQ(AutosaveStore::entryId(a, 3), a + "-3");
    EXPECT_EQ(AutosaveStore::sessionOf(a + "-3"), a);
    EXPECT_EQ(AutosaveStore::sessionOf("plain"), "plain");
}

TEST(AutosaveStore, WritesTextAndInfoReadsThemBackAndRemoves)
{
    test::TempDir dir;
    const fs::path folder = dir / "state" / "tosk" / "autosave";
    AutosaveStore store(folder.string());
    const std::string text("HEADM adc \"Chorus\" demo\r\n\xe9\0end", 31);

    store.write(entry("S1-1", "/home/u/patches/demo.sig", 1736242211), text);
    EXPECT_EQ(names(folder), (std::set<std::string>{"S1-1.json", "S1-1.sig"}));
    EXPECT_EQ(test::readFile(folder / "S1-1.sig"), text);
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    for (const char* file : {"S1-1.sig", "S1-1.json"})
        EXPECT_EQ(fs::status(folder / file).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << file << " is the user's alone";
    const auto info = nlohmann::json::parse(test::readFile(folder / "S1-1.json"));
    EXPECT_EQ(info, (nlohmann::json{{"originalPath", "/home/u/patches/demo.sig"},
                                    {"savedAt", 1736242211},
                                    {"savedAtText", "2025-01-07T09:30:11Z"}}));

    std::string read;
    ASSERT_TRUE(store.readText("S1-1", read));
    EXPECT_EQ(read, text);

    store.write(entry("S1-1", "/home/u/patches/demo.sig", 1736242241), "second");
    store.write(entry("S1-2", "", 1736242100), "untitled");
    const auto all = store.entries();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(std::tie(all[0].id, all[0].originalPath, all[0].savedAt),
              std::make_tuple(std::string("S1-2"), std::string(), int64_t(1736242100)))
        << "oldest first";
    EXPECT_EQ(std::tie(all[1].id, all[1].originalPath, all[1].savedAt),
              std::make_tuple(std::string("S1-1"), std::string("/home/u/patches/demo.sig"), int64_t(1736242241)));
    EXPECT_EQ(test::readFile(folder / "S1-1.sig"), "second");

    ASSERT_TRUE(store.rename("S1-1", "S2-1"));
    EXPECT_EQ(names(folder), (std::set<std::string>{"S1-2.json", "S1-2.sig", "S2-1.json", "S2-1.sig"}));
    EXPECT_EQ(test::readFile(folder / "S2-1.sig"), "second");
    std::string reason;
    EXPECT_FALSE(store.rename("S1-1", "S3-1", &reason));
    EXPECT_NE(reason.find("S1-1.sig"), std::string::npos) << reason;

    EXPECT_TRUE(store.remove("S2-1"));
    EXPECT_TRUE(store.remove("S2-1")) << "nothing left to remove is no failure";
    EXPECT_EQ(names(folder), (std::set<std::string>{"S1-2.json", "S1-2.sig"}));
}

// A folder others may enter, or an entry others may read (made by hand or
// by an older version), is closed to them by the next write.
TEST(AutosaveStore, AFolderAndEntriesOthersMayReadAreClosedToThem)
{
    test::TempDir dir;
    const fs::path folder = dir / "autosave";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    const auto readable =
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
    for (const char* file : {"S1-1.sig", "S1-1.json"}) {
        test::writeFile(folder / file, "old");
        fs::permissions(folder / file, readable);
    }

    AutosaveStore(folder.string()).write(entry("S1-1", "", 1), "new");
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    for (const char* file : {"S1-1.sig", "S1-1.json"})
        EXPECT_EQ(fs::status(folder / file).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << file;
    EXPECT_EQ(test::readFile(folder / "S1-1.sig"), "new");
}

TEST(AutosaveStore, ListsWhatACrashLeftAndNothingElse)
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

    auto all = store.entries();
    std::set<std::string> ids;
    for (const auto& e : all) {
        ids.insert(e.id);
        EXPECT_EQ(e.originalPath, "") << e.id;
        EXPECT_GT(e.savedAt, 1600000000) << e.id << ": the time of the text file";
    }
    EXPECT_EQ(ids, (std::set<std::string>{"S1-1", "S1-2", "S1-3"}));
    EXPECT_EQ(store.lockedSessions(), (std::vector<std::string>{"S1"}));
    EXPECT_TRUE(AutosaveStore((dir / "missing").string()).entries().empty());
}

TEST(AutosaveStore, LeftOversAreTheEntriesOfEndedSessions)
{
    test::TempDir dir;
    AutosaveStore store(dir.path().string());
    store.write(entry("OWN-1", "/a.sig", 100), "own");
    store.write(entry("ALIVE-1", "/b.sig", 101), "alive");
    store.write(entry("DEAD-1", "/c.sig", 103), "dead one");
    store.write(entry("DEAD-2", "", 102), "dead two");
    store.write(entry("GONE-7", "/d.sig", 104), "gone");

    std::map<std::string, int> asked;
    const auto left = store.leftOvers("OWN", [&](const std::string& session) {
        ++asked[session];
        return session == "ALIVE";
    });
    std::vector<std::string> ids;
    for (const auto& e : left)
        ids.push_back(e.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"DEAD-2", "DEAD-1", "GONE-7"}));
    EXPECT_EQ(asked, (std::map<std::string, int>{{"ALIVE", 1}, {"DEAD", 1}, {"GONE", 1}}))
        << "each session asked once, the own never";
}

TEST(AutosaveStore, AWriteThatFailsThrowsWithTheReasonAndLeavesTheEntryAsItWas)
{
    test::TempDir dir;
    test::writeFile(dir / "file", "a file where the folder should be");
    EXPECT_THROW(AutosaveStore((dir / "file" / "autosave").string()).write(entry("S-1", "", 1), "text"), TkxException);

    AutosaveStore store(dir.path().string());
    store.write(entry("S-1", "/p.sig", 1), "kept");
    fs::create_directory(dir / "S-2.sig"); // a folder in the way of the text
    EXPECT_THROW(store.write(entry("S-2", "/p.sig", 2), "new"), TkxException);
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

TEST(AutosaveWriter, WritesInOrderAndARemovalIsNeverUndoneByAnEarlierWrite)
{
    test::TempDir dir;
    QueuedMainThreadPoster poster;
    std::vector<std::string> failures;
    AutosaveWriter writer(
        AutosaveStore(dir.path().string()), poster,
        [&](const std::string& id, const std::string&, const std::string&) { failures.push_back(id); });
    for (int i = 0; i < 50; ++i)
        writer.write(entry("S-1", "/p.sig", i), "text " + std::to_string(i));
    writer.flush();
    EXPECT_EQ(test::readFile(dir / "S-1.sig"), "text 49") << "the last text given wins";

    for (int round = 0; round < 20; ++round) {
        writer.write(entry("S-2", "", round), std::string(100000, char('a' + round % 26)));
        writer.write(entry("S-3", "", round), "kept");
        writer.remove("S-2");
    }
    writer.flush();
    EXPECT_EQ(names(dir.path()), (std::set<std::string>{"S-1.json", "S-1.sig", "S-3.json", "S-3.sig"}));
    poster.pump();
    EXPECT_TRUE(failures.empty());
}

TEST(AutosaveWriter, FailuresReachTheMainThreadWithTheirReason)
{
    test::TempDir dir;
    test::writeFile(dir / "file", "in the way");
    QueuedMainThreadPoster poster;
    std::vector<std::string> failures;
    {
        AutosaveWriter writer(AutosaveStore((dir / "file" / "autosave").string()), poster,
                              [&](const std::string& id, const std::string& name, const std::string& reason) {
                                  failures.push_back(id + " | " + name + " | " + reason);
                              });
        writer.write(entry("S-1", "", 1), "text");
        writer.flush();
        EXPECT_TRUE(failures.empty()) << "told on the main thread only";
        EXPECT_EQ(poster.pump(), 1u);
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0].substr(0, failures[0].find(" | ")), "S-1");
        writer.write(entry("S-1", "", 2), "again");
    }
    failures.clear();
    poster.pump();
    EXPECT_TRUE(failures.empty()) << "a failure after the writer is gone is dropped";
}

TEST(AutosaveWriter, FinishesTheJobsGivenBeforeItGoes)
{
    test::TempDir dir;
    QueuedMainThreadPoster poster;
    {
        AutosaveWriter writer(AutosaveStore(dir.path().string()), poster, nullptr);
        for (int i = 0; i < 5; ++i)
            writer.write(entry("S-" + std::to_string(i), "", i), "text " + std::to_string(i));
        writer.remove("S-0");
    }
    EXPECT_EQ(names(dir.path()), (std::set<std::string>{"S-1.json", "S-1.sig", "S-2.json", "S-2.sig", "S-3.json",
                                                        "S-3.sig", "S-4.json", "S-4.sig"}));
    EXPECT_EQ(test::readFile(dir / "S-4.sig"), "text 4");
}
