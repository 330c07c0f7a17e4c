// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/DiskMove.h"

#include "CommsTestSupport.h"

#include "comms/DesktopTrash.h"
#include "comms/DiskClash.h"
#include "comms/DiskSync.h"
#include "comms/DiskUndo.h"

#include "base/Log.h"
#include "base/TkxException.h"
#include "support/FolderTree.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace tosk;
using namespace tosk::test;

namespace {

// A bank with what the browser does not show: a hidden file, a text, a link.
void makeBank(const fs::path& folder)
{
    writeTree(folder, {"Hall.sig=HALL", ".hidden=HIDDEN", "notes.txt=NOTES", "Sub/Echo.sig=ECHO"});
    fs::create_symlink("Hall.sig", folder / "link.sig");
}
const std::string kBank =
    ".hidden=HIDDEN\nHall.sig=HALL\nSub/\nSub/Echo.sig=ECHO\nlink.sig->Hall.sig\nnotes.txt=NOTES\n";

struct Library {
    TempDir dir;
    fs::path lib = dir / "lib";
    std::string trash = (dir / "Trash").string();
    DiskUndo undo{[this](const std::string& path) { return DesktopTrash::moveToTrash(path, trash); }};
    Library() { writeTree(lib, {"A/Pad.sig=PAD", "A/Hall.sig=HALL", "B/Pad.sig=OTHER PAD"}); }
    std::string p(const std::string& relative) const { return (lib / relative).string(); }
    // Moves (or trashes) the item, and gives the step that undoes it.
    DiskUndo::Step move(const std::string& from, const std::string& to)
    {
        EXPECT_EQ(DiskMove::moveTo(p(from), p(to)).status, DiskMove::Status::Moved) << from;
        return DiskUndo::moved(p(from), p(to));
    }
    DiskUndo::Step toTrash(const std::string& from)
    {
        const DesktopTrash::Result gone = DesktopTrash::moveToTrash(p(from), trash);
        EXPECT_TRUE(gone.trashed) << from;
        return DiskUndo::trashed(p(from), gone.trashedPath);
    }
};

// Both ways a move goes: by rename, and by copying (as across file
// systems), each into the folder `to`.
using Move = DiskMove::Result (*)(const fs::path&, const fs::path&);
using Ways = std::vector<std::pair<const char*, Move>>;
const Ways kFileWays = {
    {"rename", [](const fs::path& f, const fs::path& to) { return DiskMove::moveFile(f.string(), to.string()); }},
    {"copy", [](const fs::path& f, const fs::path& to) {
         return DiskMove::moveFileByCopy(f.string(), (to / f.filename()).string());
     }}};
const Ways kFolderWays = {
    {"rename", [](const fs::path& f, const fs::path& to) { return DiskMove::moveFolder(f.string(), to.string()); }},
    {"copy", [](const fs::path& f, const fs::path& to) {
         return DiskMove::moveFolderByCopy(f.string(), (to / f.filename()).string());
     }}};

} // namespace

// A file moves by rename or by copy, and the name it goes to is never taken
// from another file: then both stay as they were.
TEST(DiskMove, FilesMoveWithoutReplacingAnything)
{
    for (const auto& [way, move] : kFileWays) {
        SCOPED_TRACE(way);
        TempDir dir;
        writeTree(dir.path(), {"from/Hall.sig=NEW HALL", "from/Echo.sig=MY ECHO", "to/Echo.sig=THEIR ECHO"});
        ::chmod((dir / "from" / "Hall.sig").c_str(), 0640);

        DiskMove::Result moved = move(dir / "from" / "Hall.sig", dir / "to");
        EXPECT_EQ(moved.status, DiskMove::Status::Moved) << moved.reason;
        EXPECT_EQ(moved.destination, (dir / "to" / "Hall.sig").string());
        EXPECT_EQ(fs::status(dir / "to" / "Hall.sig").permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        LogCapture quiet;
        EXPECT_EQ(move(dir / "from" / "Echo.sig", dir / "to").status, DiskMove::Status::Exists);
        // A file that cannot be read moves nowhere.
        const DiskMove::Result missing = move(dir / "from" / "Gone.sig", dir / "to");
        EXPECT_EQ(missing.status, DiskMove::Status::Failed);
        EXPECT_NE(missing.reason.find("No such file or directory"), std::string::npos) << missing.reason;
        // Both stay as they were, and no temporary file is left behind.
        const std::string stayed = "from/\nfrom/Echo.sig=MY ECHO\nto/\nto/Echo.sig=THEIR ECHO\nto/Hall.sig=NEW HALL\n";
        EXPECT_EQ(treeOf(dir.path()), stayed);

        // A link moves as a link, never as a copy of what it leads to.
        fs::create_symlink(dir / "from" / "Echo.sig", dir / "from" / "alias.sig");
        EXPECT_EQ(move(dir / "from" / "alias.sig", dir / "to").status, DiskMove::Status::Moved);
        EXPECT_EQ(treeOf(dir.path()), stayed + "to/alias.sig->" + (dir / "from" / "Echo.sig").string() + "\n");
    }
}

// A folder moves with everything in it, the files the browser does not
// show included, or not at all.
TEST(DiskMove, FoldersMoveEntirelyOrNotAtAll)
{
    for (const auto& [way, move] : kFolderWays) {
        SCOPED_TRACE(way);
        TempDir dir;
        makeBank(dir / "Bank");
        fs::create_directories(dir / "Target");
        DiskMove::Result moved = move(dir / "Bank", dir / "Target");
        EXPECT_EQ(moved.status, DiskMove::Status::Moved) << moved.reason;
        EXPECT_EQ(moved.destination, (dir / "Target" / "Bank").string());
        EXPECT_EQ(treeOf(dir / "Target" / "Bank"), kBank);
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"Target"});
        EXPECT_EQ(namesIn(dir / "Target"), std::set<std::string>{"Bank"});

        // Onto a folder of the same name: both stay whole.
        makeBank(dir / "Bank");
        writeFile(dir / "Bank" / "z.sig", "MINE");
        EXPECT_EQ(move(dir / "Bank", dir / "Target").status, DiskMove::Status::Exists);
        EXPECT_EQ(treeOf(dir / "Bank"), kBank + "z.sig=MINE\n");
        EXPECT_EQ(treeOf(dir / "Target" / "Bank"), kBank);
        EXPECT_EQ(namesIn(dir / "Target"), std::set<std::string>{"Bank"});
    }

    // Copying, what cannot be copied (here a named pipe) keeps the whole
    // folder where it is, and nothing is left in the target; nor does the
    // pipe alone move by copy (nor wait for a writer).
    TempDir dir;
    makeBank(dir / "Bank");
    const std::string bank = (dir / "Bank").string(), pipe = (dir / "Bank" / "Sub" / "pipe").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fs::create_directories(dir / "Target");
    const std::string before = treeOf(dir / "Bank");
    for (const DiskMove::Result& refused : {DiskMove::moveFolderByCopy(bank, (dir / "Target" / "Bank").string()),
                                            DiskMove::moveFileByCopy(pipe, (dir / "Target" / "pipe").string())}) {
        EXPECT_EQ(refused.status, DiskMove::Status::Failed);
        EXPECT_EQ(refused.reason, pipe + ": neither a file nor a folder");
        EXPECT_EQ(treeOf(dir / "Bank"), before);
        EXPECT_TRUE(namesIn(dir / "Target").empty());
    }

    // A file that cannot be read, found half-way: what was copied goes again.
    fs::remove(pipe);
    ::chmod((dir / "Bank" / "Sub" / "Echo.sig").c_str(), 0);
    if (::access((dir / "Bank" / "Sub" / "Echo.sig").c_str(), R_OK) != 0) { // root reads anything
        const DiskMove::Result failed = DiskMove::moveFolderByCopy(bank, (dir / "Target" / "Bank").string());
        EXPECT_EQ(failed.status, DiskMove::Status::Failed);
        EXPECT_EQ(failed.reason, bank + "/Sub/Echo.sig: Permission denied");
        EXPECT_TRUE(namesIn(dir / "Target").empty());
        ::chmod((dir / "Bank" / "Sub" / "Echo.sig").c_str(), 0644);
        EXPECT_EQ(treeOf(dir / "Bank"), kBank);
    }

    // Into itself or below itself: refused.
    for (const fs::path& target : {dir / "Bank", dir / "Bank" / "Sub"}) {
        const DiskMove::Result inside = DiskMove::moveFolder(bank, target.string());
        EXPECT_EQ(inside.status, DiskMove::Status::Failed) << target;
        EXPECT_EQ(inside.reason, "a folder cannot go into itself");
    }
}

// A folder's copy can be stopped, leaving both places as they were; once
// the copy is whole, only what is still as it was copied leaves the source.
TEST(DiskMove, AFolderCopyStopsCleanlyAndRemovesOnlyWhatItCopied)
{
    TempDir dir;
    makeBank(dir / "Bank");
    fs::create_directories(dir / "Target");
    const std::string from = (dir / "Bank").string();
    const std::string to = (dir / "Target" / "Bank").string();

    std::atomic<bool> stop{false};
    DiskMove::CopyControl control;
    control.stop = &stop;
    std::vector<std::string> seen;
    control.progress = [&](size_t done, size_t total) {
        seen.push_back(std::to_string(done) + "/" + std::to_string(total));
        stop = done == 2;
    };
    EXPECT_EQ(DiskMove::moveFolderByCopy(from, to, control).status, DiskMove::Status::Stopped);
    EXPECT_EQ(seen, (std::vector<std::string>{"1/6", "2/6"}));
    EXPECT_TRUE(namesIn(dir / "Target").empty());
    EXPECT_EQ(treeOf(dir / "Bank"), kBank);

    // Written into while it is copied: a file added after the folder was
    // read, and one rewritten after it was copied, stay where they are, with
    // the folders that hold them.
    stop = false;
    control.progress = [&](size_t done, size_t total) {
        if (done == 1)
            writeFile(dir / "Bank" / "Sub" / "late.sig", "LATE");
        if (done == total)
            writeFile(dir / "Bank" / "Hall.sig", "HALL, LONGER");
    };
    LogCapture quiet;
    const DiskMove::Result moved = DiskMove::moveFolderByCopy(from, to, control);
    EXPECT_EQ(moved.status, DiskMove::Status::Moved) << moved.reason;
    EXPECT_EQ(moved.warning, from + ": what was added or changed there while it moved stays there");
    EXPECT_EQ(treeOf(dir / "Target" / "Bank"), kBank);
    EXPECT_EQ(treeOf(dir / "Bank"), "Hall.sig=HALL, LONGER\nSub/\nSub/late.sig=LATE\n");
}

TEST(DiskMove, RenamingAndNewFilesNeverReplaceOne)
{
    TempDir dir;
    writeTree(dir.path(), {"a.sig=A", "b.sig=B"});
    EXPECT_EQ(DiskMove::rename((dir / "a.sig").string(), "b.sig").status, DiskMove::Status::Exists);
    for (const char* bad : {"", ".", "..", "x/y"})
        EXPECT_EQ(DiskMove::rename((dir / "a.sig").string(), bad).status, DiskMove::Status::Failed) << bad;
    EXPECT_EQ(DiskMove::rename((dir / "a.sig").string(), "c.sig").status, DiskMove::Status::Moved);
    EXPECT_FALSE(DiskMove::renameNoReplace((dir / "c.sig").string(), (dir / "b.sig").string()));
    EXPECT_EQ(errno, EEXIST);

    EXPECT_TRUE(DiskMove::writeNewFile((dir / "new.sig").string(), std::string("N\0EW", 4)));
    EXPECT_FALSE(DiskMove::writeNewFile((dir / "b.sig").string(), "OTHER"));
    EXPECT_EQ(treeOf(dir.path()), "b.sig=B\nc.sig=A\nnew.sig=" + std::string("N\0EW\n", 5));
    EXPECT_THROW(DiskMove::writeNewFile((dir / "missing" / "x.sig").string(), "X"), TkxException);
}

// The trash every desktop shows: made where the account has none, each item
// with a record of where it was and when, names kept apart; an item that
// cannot reach it stays where it was and is not called trashed.
TEST(DesktopTrash, MovesIntoTheUsersTrashWithARecordOfWhereItWas)
{
    TempDir dir;
    writeTree(dir.path(), {"home/", "Patches/Pad 1.sig=ONE", "Patches/Bank/in.sig=IN"}); // no ~/.local/share
    const std::string trash = (dir / "home/.local/share/Trash").string();
    auto trashed = [&](const std::string& name) { return DesktopTrash::moveToTrash((dir / name).string(), trash); };
    DesktopTrash::Result result = trashed("Patches/Pad 1.sig");
    EXPECT_TRUE(result.trashed) << result.reason;
    EXPECT_EQ(result.trashedPath, trash + "/files/Pad 1.sig");
    // A second item of that name, and a folder with what is in it.
    writeFile(dir / "Patches/Pad 1.sig", "TWO");
    EXPECT_EQ(trashed("Patches/Pad 1.sig").trashedPath, trash + "/files/Pad 1 2.sig");
    EXPECT_TRUE(trashed("Patches/Bank").trashed);
    EXPECT_EQ(treeOf(dir / "Patches"), "");
    const std::string was = "[Trash Info]\nPath=" + DesktopTrash::escapedPath((dir / "Patches").string());
    auto info = [&](const std::string& name, const std::string& from) {
        return "info/" + name + ".trashinfo=" + was + from + "\nDeletionDate=WHEN\n\n";
    };
    EXPECT_EQ(std::regex_replace(treeOf(trash), std::regex("=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n"), "=WHEN\n"),
              "files/\nfiles/Bank/\nfiles/Bank/in.sig=IN\nfiles/Pad 1 2.sig=TWO\nfiles/Pad 1.sig=ONE\ninfo/\n" +
                  info("Bank", "/Bank") + info("Pad 1 2.sig", "/Pad%201.sig") + info("Pad 1.sig", "/Pad%201.sig"));

    // Nothing there to trash; a trash that cannot be made.
    LogCapture quiet;
    result = trashed("Patches/gone.sig");
    EXPECT_FALSE(result.trashed);
    EXPECT_EQ(result.reason, "No such file or directory");
    writeTree(dir.path(), {"Patches/kept.sig=KEPT", "blocked=a file where the trash would go"});
    result = DesktopTrash::moveToTrash((dir / "Patches/kept.sig").string(), (dir / "blocked/Trash").string());
    EXPECT_FALSE(result.trashed);
    EXPECT_EQ(treeOf(dir / "Patches"), "kept.sig=KEPT\n");
    EXPECT_EQ(result.reason.rfind("the Trash folder " + (dir / "blocked/Trash").string() + " could not be made: ", 0),
              0u)
        << result.reason;

    // Records write paths as URLs do.
    EXPECT_EQ(DesktopTrash::escapedPath("/Az 09/\xC3\x9C%~(x).sig"), "/Az%2009/%C3%9C%25~(x).sig");
}

// Each kind of action is undone, redone and undone again, leaving the
// folders byte for byte as they were at each point.
TEST(DiskUndo, EveryActionUndoesAndRedoesExactly)
{
    Library l;
    // The folders after each action; `names` the actions, in turn.
    std::vector<std::string> trees = {treeOf(l.lib)}, names;
    auto push = [&](const std::string& name, std::vector<DiskUndo::Step> steps) {
        l.undo.push({name, steps});
        names.push_back(name);
        trees.push_back(treeOf(l.lib));
    };
    ASSERT_EQ(DiskMove::rename(l.p("A/Hall.sig"), "Room.sig").status, DiskMove::Status::Moved);
    push("Rename", {DiskUndo::moved(l.p("A/Hall.sig"), l.p("A/Room.sig"))});
    ASSERT_TRUE(fs::create_directory(l.lib / "New Folder"));
    push("New Folder", {DiskUndo::madeFolder(l.p("New Folder"))});
    push("Move to Trash", {l.toTrash("A/Pad.sig")});
    // A move of two items into another folder.
    push("Move", {l.move("A/Room.sig", "B/Room.sig"), l.move("New Folder", "B/New Folder")});
    EXPECT_EQ(trees.back(), "A/\nB/\nB/New Folder/\nB/Pad.sig=OTHER PAD\nB/Room.sig=HALL\n");

    for (size_t step = names.size(); step-- > 0;) {
        EXPECT_EQ(l.undo.undoName(), names[step]);
        const DiskUndo::Outcome o = l.undo.undo();
        EXPECT_TRUE(o.done) << names[step] << ": " << o.reason;
        EXPECT_EQ(treeOf(l.lib), trees[step]) << names[step];
    }
    EXPECT_FALSE(l.undo.canUndo());
    // The trash kept nothing of the item that came back, record included.
    EXPECT_EQ(treeOf(l.trash), "files/\ninfo/\n");
    for (size_t step = 0; step < names.size(); ++step) {
        EXPECT_EQ(l.undo.redoName(), names[step]);
        const DiskUndo::Outcome o = l.undo.redo();
        EXPECT_TRUE(o.done) << names[step] << ": " << o.reason;
        EXPECT_EQ(treeOf(l.lib), trees[step + 1]) << names[step];
    }
    EXPECT_EQ(readFile(l.trash + "/files/Pad.sig"), "PAD");
    EXPECT_TRUE(l.undo.undo().done);
    EXPECT_TRUE(l.undo.undo().done);
    EXPECT_EQ(treeOf(l.lib), trees[2]);
}

// A folder is known by its place: made again (as a redo of New Folder
// does) it is a new node, and a move of it is still undone.
TEST(DiskUndo, AFolderMadeAgainIsStillTheFolderAMoveTook)
{
    Library l;
    ASSERT_TRUE(fs::create_directory(l.lib / "F"));
    l.undo.push({"Move", {l.move("F", "B/F")}});
    // Made again while the old one still exists, so it cannot be the same node.
    fs::rename(l.lib / "B" / "F", l.lib / "B" / "F.old");
    ASSERT_TRUE(fs::create_directory(l.lib / "B" / "F"));
    fs::remove(l.lib / "B" / "F.old");
    const DiskUndo::Outcome o = l.undo.undo();
    EXPECT_TRUE(o.done) << o.reason;
    EXPECT_EQ(treeOf(l.lib), "A/\nA/Hall.sig=HALL\nA/Pad.sig=PAD\nB/\nB/Pad.sig=OTHER PAD\nF/\n");
}

// An undo that cannot be done in full changes nothing and says why; it
// stays to be undone once the way is clear.
TEST(DiskUndo, AnUndoThatCannotBeDoneChangesNothing)
{
    Library l;
    l.undo.push({"Move", {l.move("A/Hall.sig", "B/Hall.sig"), l.move("A/Pad.sig", "B/Pad 2.sig")}});
    const std::string movedTree = treeOf(l.lib);

    struct Case {
        const char* what;
        std::function<void()> spoil;
        std::function<void()> mend;
        std::string reason;
    } cases[] = {
        {"the second item is gone", [&] { fs::rename(l.p("B/Pad 2.sig"), l.dir / "away"); },
         [&] { fs::rename(l.dir / "away", l.p("B/Pad 2.sig")); }, l.p("B/Pad 2.sig") + " is missing"},
        {"the place it goes back to is taken", [&] { writeFile(l.p("A/Hall.sig"), "NEW"); },
         [&] { fs::remove(l.p("A/Hall.sig")); }, l.p("A/Hall.sig") + " exists already"},
        {"a file was written since", [&] { writeFile(l.p("B/Hall.sig"), "HALL 2"); }, [&] {},
         l.p("B/Hall.sig") + " has changed since"},
    };
    for (const Case& c : cases) {
        c.spoil();
        const std::string spoilt = treeOf(l.lib);
        const DiskUndo::Outcome o = l.undo.undo();
        EXPECT_FALSE(o.done) << c.what;
        EXPECT_EQ(o.reason, c.reason) << c.what;
        EXPECT_EQ(treeOf(l.lib), spoilt) << c.what;
        EXPECT_EQ(l.undo.undoName(), "Move") << c.what;
        c.mend();
    }
    // A file written since stays "changed", whatever its bytes.
    EXPECT_FALSE(l.undo.undo().done);

    // A new folder with something in it is not taken away.
    fs::create_directory(l.lib / "C");
    l.undo.push({"New Folder", {DiskUndo::madeFolder(l.p("C"))}});
    writeFile(l.lib / "C" / "x.sig", "X");
    const DiskUndo::Outcome o = l.undo.undo();
    EXPECT_FALSE(o.done);
    EXPECT_EQ(o.reason, l.p("C") + " is not empty");
    EXPECT_EQ(readFile(l.lib / "C" / "x.sig"), "X");
}

// A step that fails half-way puts back the steps done before it: the disk
// stays as the record describes it, and the step can be tried again.
TEST(DiskUndo, AStepThatFailsHalfWayPutsBackWhatWasDone)
{
    Library l;
    l.undo.push({"Tidy", {l.move("A/Hall.sig", "B/Hall.sig"), l.toTrash("A/Pad.sig")}});
    ASSERT_TRUE(l.undo.undo().done);
    const std::string before = treeOf(l.lib);
    writeFile(l.dir / "blocked", "a file where the trash would go");
    l.trash = (l.dir / "blocked" / "Trash").string();
    LogCapture quiet;
    EXPECT_FALSE(l.undo.redo().done);
    EXPECT_EQ(treeOf(l.lib), before);
    EXPECT_EQ(l.undo.redoName(), "Tidy");
    // Once the way is clear it goes whole, and comes back whole.
    l.trash = (l.dir / "Trash").string();
    const DiskUndo::Outcome again = l.undo.redo();
    EXPECT_TRUE(again.done) << again.reason;
    EXPECT_EQ(treeOf(l.lib), "A/\nB/\nB/Hall.sig=HALL\nB/Pad.sig=OTHER PAD\n");
    EXPECT_TRUE(l.undo.undo().done);
    EXPECT_EQ(treeOf(l.lib), before);
}

// A clash is resolved as chosen: both kept under the next free name, the
// one there replaced by way of the trash (and undone from it), or skipped.
TEST(DiskClash, NameClashesResolveAsChosen)
{
    Library l;
    writeFile(l.lib / "B" / "Pad 2.sig", "PAD TWO");
    fs::create_directories(l.lib / "B" / "A");
    auto trash = [&](const std::string& path) { return DesktopTrash::moveToTrash(path, l.trash); };

    EXPECT_EQ(DiskClash::keptBothName(l.p("B"), "Pad.sig", false), "Pad 3.sig");
    EXPECT_EQ(DiskClash::keptBothName(l.p("B"), "A", true), "A 2");
    EXPECT_EQ(DiskClash::keptBothName(l.p("B"), "Pad 2.sig", false), "Pad 2 2.sig");
    EXPECT_EQ(DiskClash::keptBothName(l.p("B"), "v1.2.sig", false), "v1.2 2.sig");

    // Without a clash the choice does not matter; Skip skips, silently.
    using C = DiskClash::Choice;
    for (const auto& [name, choice, destination] :
         {std::tuple{"Hall.sig", C::Skip, "B/Hall.sig"}, std::tuple{"Pad.sig", C::Skip, ""},
          std::tuple{"Pad.sig", C::KeepBoth, "B/Pad 3.sig"}}) {
        const DiskClash::Room room = DiskClash::makeRoom(l.p("B"), name, false, choice, trash);
        EXPECT_EQ(room.go, *destination != 0) << destination;
        EXPECT_EQ(room.go ? room.destination : "", *destination ? l.p(destination) : "");
        EXPECT_EQ(room.reason, "");
        EXPECT_TRUE(room.steps.empty());
    }

    const std::string before = treeOf(l.lib);
    DiskClash::Room room = DiskClash::makeRoom(l.p("B"), "Pad.sig", false, C::Replace, trash);
    ASSERT_TRUE(room.go);
    EXPECT_EQ(room.destination, l.p("B/Pad.sig"));
    EXPECT_EQ(readFile(l.trash + "/files/Pad.sig"), "OTHER PAD");
    room.steps.push_back(l.move("A/Pad.sig", "B/Pad.sig"));
    l.undo.push({"Move", room.steps});
    EXPECT_EQ(treeOf(l.lib), "A/\nA/Hall.sig=HALL\nB/\nB/A/\nB/Pad 2.sig=PAD TWO\nB/Pad.sig=PAD\n");
    // Undo puts the moved one back and the replaced one where it was.
    EXPECT_TRUE(l.undo.undo().done);
    EXPECT_EQ(treeOf(l.lib), before);
    EXPECT_FALSE(fs::exists(l.trash + "/files/Pad.sig"));

    // A replaced item that cannot go to the trash stays, and so does the
    // one that was to replace it.
    LogCapture quiet;
    room = DiskClash::makeRoom(l.p("B"), "Pad.sig", false, C::Replace, [](const std::string&) {
        return DesktopTrash::Result{false, {}, "no trash"};
    });
    EXPECT_FALSE(room.go);
    EXPECT_EQ(room.reason, "Pad.sig was not moved to the Trash: no trash");
    EXPECT_EQ(treeOf(l.lib), before);
}

// The platform's flushes after a save: a file and a folder reach the disk;
// a folder that is not there does not, and says why.
TEST(DiskSync, ThePlatformFlushesFilesAndFolders)
{
    TempDir dir;
    std::FILE* file = std::fopen((dir / "a.sig").c_str(), "w");
    ASSERT_TRUE(file);
    EXPECT_TRUE(syncFileToDisk(file));
    std::fclose(file);
    EXPECT_TRUE(syncFolderToDisk(dir.path().c_str()));
    EXPECT_FALSE(syncFolderToDisk((dir / "missing").c_str()));
    EXPECT_EQ(errno, ENOENT);
}
