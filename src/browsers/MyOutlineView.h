// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TreeNode.h"

#include <QTreeView>

#include <vector>

namespace tosk {

class TreeNodeModel;

// The tree view of the browsers, over a TreeNodeModel: rows are read-only
// and the selection is asked for and set in nodes.
class MyOutlineView : public QTreeView {
    Q_OBJECT

public:
    explicit MyOutlineView(QWidget* parent = nullptr);

    void setTreeModel(TreeNodeModel* model);
    TreeNodeModel* treeModel() const { return treeModel_; }

    // The node of the selected row when exactly one row is selected.
    TreeNode::Ptr selectedItem() const;
    // The nodes of all selected rows, top to bottom as the tree lists them.
    std::vector<TreeNode::Ptr> allSelectedItems() const;
    // Selects the rows of these nodes, after clearing the selection unless
    // extending it.
    void selectItems(const std::vector<TreeNode::Ptr>& nodes, bool byExtendingSelection);

private:
    TreeNodeModel* treeModel_ = nullptr;
};

} // namespace tosk
