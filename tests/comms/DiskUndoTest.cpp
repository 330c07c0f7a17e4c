// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/DiskUndo.h"

#include "comms/DiskClash.h"
#include "comms/DiskMove.h"

#include "base/Log.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tosk;
using namespace tosk::test;

namespace {

// Every entry below `folder`, relative, "/" after folders, files with their
// bytes.
std::string tree(const fs::path& folder)
{
    std::vector<std::string> out;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = it->path().lexically_relative(folder).string();
        out.push_back(it->is_directory() ? relative + "/" : relative + "=" + readFile(it->path()));
    }
    std::sort(out.begin(), out.end());
    std::string all;
    for (const std::string& line : out)
        all += line + "\n";
    return all;
}

struct Library {
    TempDir dir;
    fs::path lib = dir / "lib";
    std::string trash = (dir / "Trash").string();
    DiskUndo undo{[this](const std::string& path) { return DesktopTrash::moveToTrash(path, trash); }};
    Library()
    {
        fs::create_directories(lib / "A");
        fs::create_directories(lib / "B");
        writeFile(lib / "A" / "Pad.sig", "PAD");
        writeFile(lib / "A" / "Hall.sig", "HALL");
        writeFile(lib / "B" / "Pad.sig", "OTHER PAD");
    }
    std::string p(const std::string& relative) const { return (lib / relative).string(); }
};

} // namespace

// Each kind of action is undone, redone and undone again, leaving the
// folders byte for byte as they were at each point.
TEST(DiskUndo, EveryActionUndoesAndRedoesExactly)
{
    Library l;
    const std::string start = tree(l.lib);

    // Rename.
    ASSERT_EQ(DiskMove::rename(l.p("A/Hall.sig"), "Room.sig").status, DiskMove::Status::Moved);
    l.undo.push({"Rename", {DiskUndo::moved(l.p("A/Hall.sig"), l.p("A/Room.sig"))}});
    const std::string renamed = tree(l.lib);
    // A new folder.
    ASSERT_TRUE(fs::create_directory(l.lib / "New Folder"));
    l.undo.push({"New Folder", {DiskUndo::madeFolder(l.p("New Folder"))}});
    const std::string made = tree(l.lib);
    // Move to Trash.
    const DesktopTrash::Result gone = DesktopTrash::moveToTrash(l.p("A/Pad.sig"), l.trash);
    ASSERT_TRUE(gone.trashed);
    l.undo.push({"Move to Trash", {DiskUndo::trashed(l.p("A/Pad.sig"), gone.trashedPath)}});
    const std::string trashed = tree(l.lib);
    // A move of two items into another folder.
    ASSERT_EQ(DiskMove::moveTo(l.p("A/Room.sig"), l.p("B/Room.sig")).status, DiskMove::Status::Moved);
    ASSERT_EQ(DiskMove::moveTo(l.p("New Folder"), l.p("B/New Folder")).status, DiskMove::Status::Moved);
    l.undo.push({"Move",
                 {DiskUndo::moved(l.p("A/Room.sig"), l.p("B/Room.sig")),
                  DiskUndo::moved(l.p("New Folder"), l.p("B/New Folder"))}});
    const std::string movedTree = tree(l.lib);
    EXPECT_EQ(movedTree, "A/\nB/\nB/New Folder/\nB/Pad.sig=OTHER PAD\nB/Room.sig=HALL\n");

    const std::vector<std::pair<std::string, std::string>> back = {
        {"Move", trashed}, {"Move to Trash", made}, {"New Folder", renamed}, {"Rename", start}};
    for (const auto& [name, expected] : back) {
        EXPECT_EQ(l.undo.undoName(), name);
        const DiskUndo::Outcome o = l.undo.undo();
        EXPECT_TRUE(o.done) << name << ": " << o.reason;
        EXPECT_EQ(tree(l.lib), expected) << name;
    }
    EXPECT_FALSE(l.undo.canUndo());
    // The trash kept nothing of the item that came back, record included.
    EXPECT_EQ(tree(l.trash), "files/\ninfo/\n");

    const std::vector<std::pair<std::string, std::string>> again = {
        {"Rename", renamed}, {"New Folder", made}, {"Move to Trash", trashed}, {"Move", movedTree}};
    for (const auto& [name, expected] : again) {
        EXPECT_EQ(l.undo.redoName(), name);
        const DiskUndo::Outcome o = l.undo.redo();
        EXPECT_TRUE(o.done) << name << ": " << o.reason;
        EXPECT_EQ(tree(l.lib), expected) << name;
    }
    EXPECT_EQ(readFile(l.trash + "/files/Pad.sig"), "PAD");
    EXPECT_TRUE(l.undo.undo().done);
    EXPECT_TRUE(l.undo.undo().done);
    EXPECT_EQ(tree(l.lib), made);
}

// A folder is known by its place: made again (as a redo of New Folder
// does) it is a new node, and a move of it is still undone.
TEST(DiskUndo, AFolderMadeAgainIsStillTheFolderAMoveTook)
{
    Library l;
    ASSERT_TRUE(fs::create_directory(l.lib / "F"));
    ASSERT_EQ(DiskMove::moveTo(l.p("F"), l.p("B/F")).status, DiskMove::Status::Moved);
    l.undo.push({"Move", {DiskUndo::moved(l.p("F"), l.p("B/F"))}});
    // Made again while the old one still exists, so it cannot be the same node.
    fs::rename(l.lib / "B" / "F", l.lib / "B" / "F.old");
    ASSERT_TRUE(fs::create_directory(l.lib / "B" / "F"));
    fs::remove(l.lib / "B" / "F.old");
    const DiskUndo::Outcome o = l.undo.undo();
    EXPECT_TRUE(o.done) << o.reason;
    EXPECT_EQ(tree(l.lib), "A/\nA/Hall.sig=HALL\nA/Pad.sig=PAD\nB/\nB/Pad.sig=OTHER PAD\nF/\n");
}

// An undo that cannot be done in full changes nothing and says why; it
// stays to be undone once the way is clear.
TEST(DiskUndo, AnUndoThatCannotBeDoneChangesNothing)
{
    Library l;
    ASSERT_EQ(DiskMove::moveTo(l.p("A/Hall.sig"), l.p("B/Hall.sig")).status, DiskMove::Status::Moved);
    ASSERT_EQ(DiskMove::moveTo(l.p("A/Pad.sig"), l.p("B/Pad 2.sig")).status, DiskMove::Status::Moved);
    l.undo.push({"Move",
                 {DiskUndo::moved(l.p("A/Hall.sig"), l.p("B/Hall.sig")),
                  DiskUndo::moved(l.p("A/Pad.sig"), l.p("B/Pad 2.sig"))}});
    const std::string movedTree = tree(l.lib);

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
        const std::string spoilt = tree(l.lib);
        const DiskUndo::Outcome o = l.undo.undo();
        EXPECT_FALSE(o.done) << c.what;
        EXPECT_EQ(o.reason, c.reason) << c.what;
        EXPECT_EQ(tree(l.lib), spoilt) << c.what;
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

    using C = DiskClash::Choice;
    DiskClash::Room room = DiskClash::makeRoom(l.p("B"), "Hall.sig", false, C::Skip, trash);
    EXPECT_TRUE(room.go); // no clash: the choice does not matter
    EXPECT_EQ(room.destination, l.p("B/Hall.sig"));

    room = DiskClash::makeRoom(l.p("B"), "Pad.sig", false, C::Skip, trash);
    EXPECT_FALSE(room.go);
    EXPECT_EQ(room.reason, "");

    room = DiskClash::makeRoom(l.p("B"), "Pad.sig", false, C::KeepBoth, trash);
    ASSERT_TRUE(room.go);
    EXPECT_EQ(room.destination, l.p("B/Pad 3.sig"));
    EXPECT_TRUE(room.steps.empty());

    const std::string before = tree(l.lib);
    room = DiskClash::makeRoom(l.p("B"), "Pad.sig", false, C::Replace, trash);
    ASSERT_TRUE(room.go);
    EXPECT_EQ(room.destination, l.p("B/Pad.sig"));
    EXPECT_EQ(readFile(l.trash + "/files/Pad.sig"), "OTHER PAD");
    ASSERT_EQ(DiskMove::moveTo(l.p("A/Pad.sig"), room.destination).status, DiskMove::Status::Moved);
    room.steps.push_back(DiskUndo::moved(l.p("A/Pad.sig"), room.destination));
    l.undo.push({"Move", room.steps});
    EXPECT_EQ(tree(l.lib), "A/\nA/Hall.sig=HALL\nB/\nB/A/\nB/Pad 2.sig=PAD TWO\nB/Pad.sig=PAD\n");
    // Undo puts the moved one back and the replaced one where it was.
    EXPECT_TRUE(l.undo.undo().done);
    EXPECT_EQ(tree(l.lib), before);
    EXPECT_FALSE(fs::exists(l.trash + "/files/Pad.sig"));

    // A replaced item that cannot go to the trash stays, and so does the
    // one that was to replace it.
    LogCapture quiet;
    room = DiskClash::makeRoom(l.p("B"), "Pad.sig", false, C::Replace, [](const std::string&) {
        DesktopTrash::Result r;
        r.reason = "no trash";
        return r;
    });
    EXPECT_FALSE(room.go);
    EXPECT_EQ(room.reason, "Pad.sig was not moved to the Trash: no trash");
    EXPECT_EQ(tree(l.lib), before);
}
