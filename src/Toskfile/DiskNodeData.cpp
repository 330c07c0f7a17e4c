// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/DiskNodeData.h"

#include "base/TextCase.h"

namespace tosk {

DiskNodeData::DiskNodeData(const std::string& name, std::string fullPathName, bool isLeaf, bool isLink)
    : fullPathName_(std::move(fullPathName)), isLeaf_(isLeaf || isLink), isLink_(isLink), isExpandable_(!isLeaf_)
{
    setName(name);
}

void DiskNodeData::setName(const std::string& name)
{
    name_ = name;
    // "archive.tar.sig" is a patch named "archive.tar"; ".sig" alone (a
    // hidden file) has no extension.
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        extension_.clear();
        patchName_ = name;
    } else {
        extension_ = name.substr(dot + 1);
        patchName_ = name.substr(0, dot);
    }
}

int DiskNodeData::compare(const TreeNodeData& other) const
{
    if (isGroup() != other.isGroup())
        return isGroup() ? -1 : 1;
    return naturalCompare(name_, other.name());
}

} // namespace tosk
