// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TreeNodeData.h"

#include <string>

namespace tosk {

// The payload of a row of the disk browser: one file or folder. Names and
// paths are bytes as the file system gives them.
class DiskNodeData : public TreeNodeData {
public:
    // A link (`isLink`) is a leaf whatever it leads to: it is never opened
    // as a folder, so that nothing is read, moved or written through it.
    DiskNodeData(const std::string& name, std::string fullPathName, bool isLeaf, bool isLink = false);

    std::string name() const override { return name_; }
    // Also sets the extension and the patch name.
    void setName(const std::string& name);
    // Without the dot; "" when the name has none.
    const std::string& extension() const { return extension_; }
    const std::string& fullPathName() const { return fullPathName_; }
    void setFullPathName(std::string path) { fullPathName_ = std::move(path); }
    // The name without its extension.
    const std::string& patchName() const { return patchName_; }
    bool isLeaf() const { return isLeaf_; }
    bool isLink() const { return isLink_; }
    bool isGroup() const override { return !isLeaf_; }
    bool isExpandable() const { return isExpandable_; }

    // As a person reads a folder: folders first, then files (links among
    // them), each in natural order (naturalCompare: numbers as numbers,
    // letters without regard to case).
    int compare(const TreeNodeData& other) const override;

private:
    std::string name_;
    std::string extension_;
    std::string fullPathName_;
    std::string patchName_;
    bool isLeaf_;
    bool isLink_;
    bool isExpandable_;
};

} // namespace tosk
