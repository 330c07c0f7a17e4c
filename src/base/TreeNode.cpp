// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TreeNode.h"

#include <algorithm>

namespace tosk {

TreeNode::TreeNode(std::unique_ptr<TreeNodeData> data) : nodeData_(std::move(data)) {}

TreeNode::TreeNode(std::unique_ptr<TreeNodeData> data, const std::vector<Ptr>& children) : nodeData_(std::move(data))
{
    insertChildren(children, 0);
}

TreeNode::~TreeNode()
{
    // Children that are still held elsewhere must not point back at us.
    for (const Ptr& child : nodeChildren_)
        child->nodeParent_ = nullptr;
}

TreeNode::Ptr TreeNode::treeNodeWithData(std::unique_ptr<TreeNodeData> data)
{
    return std::make_shared<TreeNode>(std::move(data));
}

void TreeNode::adopt(const Ptr& child)
{
    // Keep the node in one child list only, and never make a node its own
    // ancestor.
    child->removeFromParent();
    child->nodeParent_ = this;
}

void TreeNode::addChild(const Ptr& child)
{
    insertChild(child, nodeChildren_.size());
}

void TreeNode::insertChild(const Ptr& child, size_t index)
{
    insertChildren({child}, index);
}

void TreeNode::insertChildren(const std::vector<Ptr>& children, size_t index)
{
    for (const Ptr& child : children) {
        if (!child || isDescendantOfNode(*child))
            continue;
        // Taking the child out of this very list moves the place it goes to.
        if (child->nodeParent_ == this) {
            size_t old = indexOfChildIdenticalTo(child.get());
            if (old < index)
                --index;
        }
        adopt(child);
        index = std::min(index, nodeChildren_.size());
        nodeChildren_.insert(nodeChildren_.begin() + long(index), child);
        ++index;
    }
}

void TreeNode::removeChild(const TreeNode& node)
{
    size_t index = indexOfChild(node);
    if (index == npos)
        return;
    nodeChildren_[index]->nodeParent_ = nullptr;
    nodeChildren_.erase(nodeChildren_.begin() + long(index));
}

void TreeNode::removeAllChildren()
{
    for (const Ptr& child : nodeChildren_)
        child->nodeParent_ = nullptr;
    nodeChildren_.clear();
}

void TreeNode::removeFromParent()
{
    TreeNode* parent = nodeParent_;
    if (!parent)
        return;
    size_t index = parent->indexOfChildIdenticalTo(this);
    nodeParent_ = nullptr;
    if (index != npos)
        parent->nodeChildren_.erase(parent->nodeChildren_.begin() + long(index));
}

size_t TreeNode::indexOfChild(const TreeNode& node) const
{
    for (size_t i = 0; i < nodeChildren_.size(); ++i)
        if (nodeChildren_[i]->isEqual(node))
            return i;
    return npos;
}

size_t TreeNode::indexOfChildIdenticalTo(const TreeNode* node) const
{
    for (size_t i = 0; i < nodeChildren_.size(); ++i)
        if (nodeChildren_[i].get() == node)
            return i;
    return npos;
}

TreeNode::Ptr TreeNode::firstChild() const
{
    return nodeChildren_.empty() ? nullptr : nodeChildren_.front();
}

TreeNode::Ptr TreeNode::lastChild() const
{
    return nodeChildren_.empty() ? nullptr : nodeChildren_.back();
}

TreeNode::Ptr TreeNode::childAtIndex(size_t index) const
{
    return index < nodeChildren_.size() ? nodeChildren_[index] : nullptr;
}

bool TreeNode::isParentOfNodeInArray(const std::vector<Ptr>& nodes) const
{
    return std::any_of(nodes.begin(), nodes.end(), [this](const Ptr& n) { return n && isParentOfNode(*n); });
}

bool TreeNode::isDescendantOfNode(const TreeNode& node) const
{
    for (const TreeNode* n = this; n; n = n->nodeParent_)
        if (n == &node)
            return true;
    return false;
}

bool TreeNode::isDescendantOfNodeInArray(const std::vector<Ptr>& nodes) const
{
    return std::any_of(nodes.begin(), nodes.end(), [this](const Ptr& n) { return n && isDescendantOfNode(*n); });
}

void TreeNode::recursiveSortChildren()
{
    // A node without payload sorts before those with one, so that the
    // comparison stays a strict weak order whatever the tree holds.
    std::stable_sort(nodeChildren_.begin(), nodeChildren_.end(), [](const Ptr& a, const Ptr& b) {
        const TreeNodeData* da = a->nodeData();
        const TreeNodeData* db = b->nodeData();
        if (!da || !db)
            return !da && db;
        return da->compare(*db) < 0;
    });
    for (const Ptr& child : nodeChildren_)
        child->recursiveSortChildren();
}

std::vector<TreeNode::Ptr> TreeNode::minimumNodeCoverFromNodesInArray(const std::vector<Ptr>& nodes)
{
    std::vector<Ptr> cover;
    for (const Ptr& node : nodes) {
        if (!node)
            continue;
        if (std::any_of(cover.begin(), cover.end(), [&](const Ptr& kept) { return kept == node; }))
            continue;
        bool below = std::any_of(nodes.begin(), nodes.end(), [&](const Ptr& other) {
            return other && other != node && node->isDescendantOfNode(*other);
        });
        if (!below)
            cover.push_back(node);
    }
    return cover;
}

} // namespace tosk
