// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TreeNodeData.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace tosk {

// A node of the trees the browsers show (operators by class, folders of
// patches, a unit's banks). A node owns its payload and its children; its
// parent is the node whose child list holds it, or none for a root. A node
// is in at most one child list: adding it to another parent takes it out of
// the first.
class TreeNode : public std::enable_shared_from_this<TreeNode> {
public:
    using Ptr = std::shared_ptr<TreeNode>;
    static constexpr size_t npos = static_cast<size_t>(-1);

    explicit TreeNode(std::unique_ptr<TreeNodeData> data = nullptr);
    // The children become this node's children, in order.
    TreeNode(std::unique_ptr<TreeNodeData> data, const std::vector<Ptr>& children);
    virtual ~TreeNode();
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    static Ptr treeNodeWithData(std::unique_ptr<TreeNodeData> data);

    TreeNodeData* nodeData() const { return nodeData_.get(); }
    void setNodeData(std::unique_ptr<TreeNodeData> data) { nodeData_ = std::move(data); }
    TreeNode* nodeParent() const { return nodeParent_; }

    void addChild(const Ptr& child);
    void insertChild(const Ptr& child, size_t index); // an index past the end appends
    void insertChildren(const std::vector<Ptr>& children, size_t index);
    // Takes out the first child equal to node (isEqual) and clears its parent.
    void removeChild(const TreeNode& node);
    void removeAllChildren();
    void removeFromParent();

    size_t indexOfChild(const TreeNode& node) const; // by isEqual; npos when absent
    size_t indexOfChildIdenticalTo(const TreeNode* node) const;
    size_t numberOfChildren() const { return nodeChildren_.size(); }
    std::vector<Ptr> children() const { return nodeChildren_; }
    Ptr firstChild() const;
    Ptr lastChild() const;
    Ptr childAtIndex(size_t index) const; // null out of range

    // This node is the direct parent of node (of any node of nodes).
    bool isParentOfNode(const TreeNode& node) const { return node.nodeParent_ == this; }
    bool isParentOfNodeInArray(const std::vector<Ptr>& nodes) const;
    // This node is node itself or lies below it (any node of nodes).
    bool isDescendantOfNode(const TreeNode& node) const;
    bool isDescendantOfNodeInArray(const std::vector<Ptr>& nodes) const;

    // Sorts the children by their payloads' compare, at every level. The
    // sort is stable: children that compare equal keep their order.
    void recursiveSortChildren();

    // The nodes of the list without those that lie below another node of
    // the list (and without repeats), in order of first appearance: what a
    // move or copy of a selection has to carry.
    static std::vector<Ptr> minimumNodeCoverFromNodesInArray(const std::vector<Ptr>& nodes);

    // Whether two nodes stand for the same thing; the base compares identity.
    virtual bool isEqual(const TreeNode& other) const { return this == &other; }
    // Reads the children of a group whose children are read only when it is
    // opened (folders, a unit's banks). The base has nothing to read.
    virtual void expandGroupItem() {}

private:
    void adopt(const Ptr& child);

    TreeNode* nodeParent_ = nullptr;
    std::unique_ptr<TreeNodeData> nodeData_;
    std::vector<Ptr> nodeChildren_;
};

} // namespace tosk
