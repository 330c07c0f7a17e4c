#include "Toskfile/DiskNodeData.h"

#include <algorithm>
#include <cctype>

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
    const std::string theirs = other.name();
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    const auto mismatch = std::mismatch(name_.begin(), name_.end(), theirs.begin(), theirs.end(),
                                        [&](char a, char b) { return lower(a) == lower(b); });
    if (mismatch.first != name_.end() && mismatch.second != theirs.end())
        return lower(*mismatch.first) < lower(*mismatch.second) ? -1 : 1;
    if (name_.size() != theirs.size())
        return name_.size() < theirs.size() ? -1 : 1;
    return name_.compare(theirs) < 0 ? -1 : name_.compare(theirs) > 0 ? 1 : 0;
}

} // namespace tosk
