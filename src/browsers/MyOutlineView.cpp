// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/MyOutlineView.h"

#include "browsers/TreeNodeModel.h"

#include <QItemSelectionModel>

#include <algorithm>

namespace tosk {

namespace {

// The rows from the top level down to index: comparing these paths orders
// indexes as the tree lists them, expanded or not.
std::vector<int> rowPath(QModelIndex index)
{
    std::vector<int> path;
    for (; index.isValid(); index = index.parent())
        path.push_back(index.row());
    std::reverse(path.begin(), path.end());
    return path;
}

} // namespace

MyOutlineView::MyOutlineView(QWidget* parent) : QTreeView(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setUniformRowHeights(true);
}

void MyOutlineView::setTreeModel(TreeNodeModel* model)
{
    treeModel_ = model;
    setModel(model);
}

TreeNode::Ptr MyOutlineView::selectedItem() const
{
    if (!treeModel_ || !selectionModel())
        return nullptr;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.size() == 1 ? treeModel_->nodePtrForIndex(rows.front()) : nullptr;
}

std::vector<TreeNode::Ptr> MyOutlineView::allSelectedItems() const
{
    std::vector<TreeNode::Ptr> nodes;
    if (!treeModel_ || !selectionModel())
        return nodes;
    QModelIndexList rows = selectionModel()->selectedRows();
    std::vector<std::pair<std::vector<int>, QModelIndex>> ordered;
    for (const QModelIndex& row : rows)
        ordered.emplace_back(rowPath(row), row);
    std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [path, row] : ordered)
        if (TreeNode::Ptr node = treeModel_->nodePtrForIndex(row))
            nodes.push_back(std::move(node));
    return nodes;
}

void MyOutlineView::selectItems(const std::vector<TreeNode::Ptr>& nodes, bool byExtendingSelection)
{
    if (!treeModel_ || !selectionModel())
        return;
    QItemSelection selection;
    for (const TreeNode::Ptr& node : nodes) {
        QModelIndex index = treeModel_->indexForNode(node.get());
        if (index.isValid())
            selection.select(index, index);
    }
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    if (!byExtendingSelection)
        flags |= QItemSelectionModel::Clear;
    selectionModel()->select(selection, flags);
}

} // namespace tosk
