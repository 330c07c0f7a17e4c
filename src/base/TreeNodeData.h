// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tosk {

// The payload of a TreeNode. Each browser derives its own (operators, files,
// banks and patches) and says how its rows are named, whether they are groups
// and how they sort.
class TreeNodeData {
public:
    TreeNodeData() = default;
    virtual ~TreeNodeData() = default;
    TreeNodeData(const TreeNodeData&) = delete;
    TreeNodeData& operator=(const TreeNodeData&) = delete;

    // What the first column shows (8-bit text, as the model holds it).
    virtual std::string name() const { return {}; }
    // A group may hold children, even before they are read.
    virtual bool isGroup() const { return false; }
    // Negative, zero or positive as this payload sorts before, with or after
    // the other. The base orders nothing: every pair is equal, so a stable
    // sort keeps the order the children were added in.
    virtual int compare(const TreeNodeData& other) const;
};

} // namespace tosk
