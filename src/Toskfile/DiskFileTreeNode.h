// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/DiskNodeData.h"
#include "base/TreeNode.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace tosk {

// A file or folder of the disk browser's tree. A folder reads its entries
// when it is first opened: its sub-folders, and its files that end in ".sig"
// or ".bak" (case ignored), sorted by name. Hidden entries (names starting
// with ".", our own temporary files among them) are not shown. A symbolic
// link shows as a link, a leaf, when it leads to a folder or has a patch
// file's name: a linked folder is never read as part of the tree.
class DiskFileTreeNode : public TreeNode {
public:
    DiskFileTreeNode(const std::string& name, const std::string& fullPathName, bool isLeaf, bool isLink = false);

    // The root of the folder at `path`, with its first level read. Throws
    // TkxException "DiskFileTreeNode" with "Invalid directory path: PATH"
    // when `path` is not an existing folder.
    static std::shared_ptr<DiskFileTreeNode> treeFromDirectoryPath(const std::string& path);
    // The last component after "/" ("/a/b/" answers "b"; "/" answers "/").
    static std::string nodeNameFromPath(const std::string& path);
    // Whether a file of this name is shown.
    static bool isPatchFileName(const std::string& name);
    // The name a file called `oldName` takes when the user types `typed`: a
    // patch file keeps its extension when the typed name would hide it
    // ("Hall" for "Hall.sig" is "Hall.sig", "Hall.v2" is "Hall.v2.sig").
    static std::string renamedFileName(const std::string& oldName, const std::string& typed);

    DiskNodeData& diskData() const { return static_cast<DiskNodeData&>(*nodeData()); }
    const std::string& fullPathName() const { return diskData().fullPathName(); }
    bool isLeaf() const { return diskData().isLeaf(); }
    bool isLink() const { return diskData().isLink(); }

    // One node per shown entry of the folder, sorted, without a parent; a
    // folder that cannot be read gives none (and is logged).
    static std::vector<Ptr> readEntries(const std::string& folder);
    // The folder at `path` with every folder below it read, the way the
    // browser reads one folder (links are not followed). Stops early, with
    // what it has read, once `stop` turns true.
    static std::shared_ptr<DiskFileTreeNode> readWholeTree(const std::string& path,
                                                           const std::atomic<bool>* stop = nullptr);

    // Appends one child per shown entry of the folder (readEntries).
    void makeTreeNodes(const std::string& folder);
    // Reads the folder's entries when none are read yet.
    void expandGroupItem() override;
    bool isExpanded() const { return numberOfChildren() > 0; }
    // Whether the folder's entries have been read (an empty folder too).
    bool childrenRead() const { return childrenRead_; }
    void setChildrenRead() { childrenRead_ = true; }
    // Gives this node and everything read below it the paths they have under
    // `path`, after the folder or file was moved or renamed there.
    void setFullPathName(const std::string& path);

private:
    bool childrenRead_ = false;
};

} // namespace tosk
