// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/DiskFileTreeNode.h"
#include "base/TextCase.h"

#include "ModelTestSupport.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tosk;
using namespace tosk::test;

namespace {

// The tree as read so far, one text: "name/" a folder, "name@" a link, and
// after a folder read (or a node with entries) what is in it in braces:
// "Banks/{Inner/{}, in.sig}".
std::string shape(const TreeNode& node)
{
    std::string out;
    for (const auto& child : node.children()) {
        const auto& disk = static_cast<const DiskFileTreeNode&>(*child);
        // Appended piece by piece: the optimiser's overlap warning trips
        // over a sum of temporaries.
        if (!out.empty())
            out += ", ";
        out += disk.diskData().name();
        out += disk.isLink() ? "@" : disk.nodeData()->isGroup() ? "/" : "";
        if (disk.childrenRead() || disk.numberOfChildren() > 0) {
            out += "{";
            out += shape(disk);
            out += "}";
        }
    }
    return out;
}

} // namespace

// A folder lists its sub-folders and then its ".sig" and ".bak" files,
// whatever their case, sorted by name; other files and hidden entries stay
// out.
TEST(DiskFileTreeNode, AFolderListsItsFoldersAndPatchFiles)
{
    TempDir dir;
    for (const char* name :
         {"a.sig", "b.SIG", "c.bak", "d.sif", "e.txt", "Zed.Bak", "noext", ".hidden.sig", ".demo.sig.tmp-0123"})
        writeFile(dir / name, "x");
    fs::create_directories(dir / "Banks" / "Inner");
    fs::create_directories(dir / ".git");
    writeFile(dir / "Banks" / "in.sig", "x");

    auto root = DiskFileTreeNode::treeFromDirectoryPath(dir.path().string());
    EXPECT_EQ(shape(*root), "Banks/, a.sig, b.SIG, c.bak, Zed.Bak");
    EXPECT_EQ(root->diskData().name(), dir.path().filename().string());

    // A folder is read when it is opened, once.
    auto banks = std::static_pointer_cast<DiskFileTreeNode>(root->childAtIndex(0));
    banks->expandGroupItem();
    banks->expandGroupItem();
    EXPECT_EQ(shape(*root), "Banks/{Inner/, in.sig}, a.sig, b.SIG, c.bak, Zed.Bak");
    auto in = std::static_pointer_cast<DiskFileTreeNode>(banks->lastChild());
    ASSERT_TRUE(in);

    // Links show as links, never as the folders they lead to: a link to a
    // folder or with a patch file's name, a broken one included. The whole
    // tree, read at once for a search, reads every folder the same way, and
    // none through a link.
    fs::create_directories(dir / "Elsewhere" / "Inside");
    writeFile(dir / "Elsewhere" / "Inside" / "far.sig", "x");
    fs::create_directory_symlink(dir / "Elsewhere", dir / "Banks" / "Linked");
    fs::create_symlink("in.sig", dir / "Banks" / "alias.sig");
    fs::create_symlink("gone", dir / "Banks" / "gone.bak");
    fs::create_symlink("in.sig", dir / "Banks" / "alias.txt");
    auto linked = DiskFileTreeNode::treeFromDirectoryPath((dir / "Banks").string());
    linked->childAtIndex(4)->expandGroupItem();
    EXPECT_EQ(shape(*linked), "Inner/, alias.sig@, gone.bak@, in.sig, Linked@");
    EXPECT_EQ(shape(*DiskFileTreeNode::readWholeTree(dir.path().string())),
              "Banks/{Inner/{}, alias.sig@, gone.bak@, in.sig, Linked@}, Elsewhere/{Inside/{far.sig}}, a.sig, b.SIG, "
              "c.bak, Zed.Bak");
    std::atomic<bool> stop{true};
    EXPECT_FALSE(DiskFileTreeNode::readWholeTree(dir.path().string(), &stop)->childrenRead());

    // A move renames the node and everything read below it.
    banks->setFullPathName((dir / "Moved" / "Presets").string());
    EXPECT_EQ(banks->diskData().name(), "Presets");
    EXPECT_EQ(in->fullPathName(), (dir / "Moved" / "Presets" / "in.sig").string());
}

// Folders first, then files, each in the order a person reads names:
// numbers as numbers, letters without regard to case.
TEST(DiskFileTreeNode, EntriesSortFoldersFirstThenFilesInNaturalOrder)
{
    TempDir dir;
    for (const char* folder : {"Folder 10", "Folder 2", "folder 1"})
        fs::create_directories(dir / folder);
    for (const char* file :
         {"demo.sig", "Pad 10.sig", "pad 9.sig", "Pad 9.bak", "01 Pad.sig", "1 Pad.sig", "00 Pad.sig"})
        writeFile(dir / file, "x");
    auto root = DiskFileTreeNode::treeFromDirectoryPath(dir.path().string());
    EXPECT_EQ(shape(*root), "folder 1/, Folder 2/, Folder 10/, 00 Pad.sig, 1 Pad.sig, 01 Pad.sig, demo.sig, Pad 9.bak, "
                            "pad 9.sig, Pad 10.sig");

    // Names alike but for case or leading zeros still have one order.
    std::vector<std::string> names = {
        "b", "a10", "A2", "a02", "a2", "a", "x99999999999999999999", "x100000000000000000000"};
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return naturalCompare(a, b) < 0; });
    EXPECT_EQ(names, (std::vector<std::string>{"a", "A2", "a2", "a02", "a10", "b", "x99999999999999999999",
                                               "x100000000000000000000"}));
    EXPECT_EQ(naturalCompare("Pad", "Pad"), 0);
}

TEST(DiskFileTreeNode, APathThatIsNoFolderIsRefusedByName)
{
    TempDir dir;
    writeFile(dir / "file.sig", "x");
    for (const std::string& path : {(dir / "missing").string(), (dir / "file.sig").string(), std::string()})
        EXPECT_EQ(failureOf([&] { DiskFileTreeNode::treeFromDirectoryPath(path); }),
                  "DiskFileTreeNode | Invalid directory path: " + path);
}

TEST(DiskFileTreeNode, NamesAndExtensions)
{
    const std::vector<std::pair<std::string, std::string>> paths = {
        {"/a/b/c.sig", "c.sig"}, {"/a/b/", "b"}, {"/", "/"}, {"plain", "plain"}, {"/a//b//", "b"}};
    for (const auto& [path, name] : paths)
        EXPECT_EQ(DiskFileTreeNode::nodeNameFromPath(path), name) << path;

    DiskNodeData data("x", "/x/x", true);
    for (auto [name, extension, patch] :
         {std::tuple{"archive.tar.SIG", "SIG", "archive.tar"}, {".sig", "", ".sig"}, {"Hall", "", "Hall"}}) {
        data.setName(name);
        EXPECT_EQ(data.extension() + " " + data.patchName(), std::string(extension) + " " + patch) << name;
    }

    // A renamed patch file keeps the extension that shows it.
    for (auto [before, typed, after] : {std::tuple{"Hall.sig", "Room", "Room.sig"},
                                        {"Hall.SIG", "Room.v2", "Room.v2.SIG"},
                                        {"Hall.bak", "Room", "Room.bak"},
                                        {"Hall.sig", "Room.BAK", "Room.BAK"},
                                        {"Hall.sig", "Room.sig", "Room.sig"},
                                        {"notes", "Room", "Room"}})
        EXPECT_EQ(DiskFileTreeNode::renamedFileName(before, typed), after) << before << " " << typed;
}
