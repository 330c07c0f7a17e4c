#include "Toskfile/DiskFileTreeNode.h"

#include "ModelTestSupport.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tosk;
using namespace tosk::test;

namespace {

std::vector<std::string> childNames(const TreeNode& node)
{
    std::vector<std::string> names;
    for (const auto& child : node.children()) {
        const auto& disk = static_cast<const DiskFileTreeNode&>(*child);
        names.push_back(disk.diskData().name() + (disk.isLink() ? "@" : disk.isLeaf() ? "" : "/"));
    }
    return names;
}

} // namespace

// A folder lists its sub-folders and its ".sig" and ".bak" files, whatever
// their case, sorted by name; other files and hidden entries stay out.
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
    EXPECT_EQ(childNames(*root), (std::vector<std::string>{"a.sig", "b.SIG", "Banks/", "c.bak", "Zed.Bak"}));
    EXPECT_EQ(root->fullPathName(), dir.path().string());
    EXPECT_EQ(root->diskData().name(), dir.path().filename().string());

    // A folder is read when it is opened, once.
    auto banks = std::static_pointer_cast<DiskFileTreeNode>(root->childAtIndex(2));
    EXPECT_FALSE(banks->isExpanded());
    EXPECT_TRUE(banks->nodeData()->isGroup());
    banks->expandGroupItem();
    EXPECT_EQ(childNames(*banks), (std::vector<std::string>{"in.sig", "Inner/"}));
    banks->expandGroupItem();
    EXPECT_EQ(banks->numberOfChildren(), 2u);
    auto in = std::static_pointer_cast<DiskFileTreeNode>(banks->firstChild());
    EXPECT_EQ(in->fullPathName(), (dir / "Banks" / "in.sig").string());
    EXPECT_EQ(in->diskData().extension(), "sig");
    EXPECT_EQ(in->diskData().patchName(), "in");
    EXPECT_FALSE(in->nodeData()->isGroup());

    // Links show as links, never as the folders they lead to: a link to a
    // folder or with a patch file's name, a broken one included.
    fs::create_directories(dir / "Elsewhere" / "Inside");
    fs::create_directory_symlink(dir / "Elsewhere", dir / "Banks" / "Linked");
    fs::create_symlink("in.sig", dir / "Banks" / "alias.sig");
    fs::create_symlink("gone", dir / "Banks" / "gone.bak");
    fs::create_symlink("in.sig", dir / "Banks" / "alias.txt");
    auto linked = DiskFileTreeNode::treeFromDirectoryPath((dir / "Banks").string());
    EXPECT_EQ(childNames(*linked),
              (std::vector<std::string>{"alias.sig@", "gone.bak@", "in.sig", "Inner/", "Linked@"}));
    auto link = std::static_pointer_cast<DiskFileTreeNode>(linked->childAtIndex(4));
    EXPECT_FALSE(link->nodeData()->isGroup());
    link->expandGroupItem();
    EXPECT_EQ(link->numberOfChildren(), 0u);

    // A move renames the node and everything read below it.
    banks->setFullPathName((dir / "Moved" / "Presets").string());
    EXPECT_EQ(banks->diskData().name(), "Presets");
    EXPECT_EQ(in->fullPathName(), (dir / "Moved" / "Presets" / "in.sig").string());
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
