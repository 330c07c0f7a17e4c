// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TreeNode.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QMimeData>
#include <QSet>
#include <QString>

#include <functional>
#include <vector>

namespace tosk {

// The item model of every tree the browsers show (the operators of the
// add-module panel, the disk browser, a unit's banks): one column holding
// each node's icon and name. The root node itself is not shown; its children
// are the top-level rows. Groups whose children are read on opening
// (TreeNode::expandGroupItem) are read through fetchMore, when the event
// loop next runs.
//
// The model refers to the nodes by address: once a tree is shown, change it
// only through the model (replaceChildren, removeNode) or set a new root.
class TreeNodeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    using IconProvider = std::function<QIcon(const TreeNode&)>;
    // The bytes a drag of these nodes carries; empty refuses the drag.
    using DragPayload = std::function<QByteArray(const std::vector<TreeNode::Ptr>&)>;
    // The data a drag of these nodes carries (the model hands it to the
    // drag); null refuses the drag.
    using DragData = std::function<QMimeData*(const std::vector<TreeNode::Ptr>&)>;
    // What a row shows; by default the payload's name read as Latin-1.
    using TextProvider = std::function<QString(const TreeNode&)>;
    // What the columns after the first show of a node (column from 1).
    using ColumnData = std::function<QVariant(const TreeNode&, int column, int role)>;
    // Whether `a` comes before `b` among the children of one group.
    using Order = std::function<bool(const TreeNode& a, const TreeNode& b)>;
    // The order a click on a column's header asks for.
    using SortOrder = std::function<Order(int column, Qt::SortOrder order)>;

    // The point size of the rows' text.
    static constexpr int fontPointSize = 10;

    explicit TreeNodeModel(QObject* parent = nullptr);

    void setRoot(TreeNode::Ptr root);
    const TreeNode::Ptr& root() const { return root_; }
    void setIconProvider(IconProvider provider);
    void setHeaderTitle(const QString& title) { headerTitle_ = title; }
    // Lets rows be dragged as mimeType with the payload's bytes.
    void setDragSource(const QString& mimeType, DragPayload payload);
    // Lets rows be dragged with data of the given types that `data` makes,
    // for drags that carry more than bytes (the nodes themselves).
    void setDragData(const QStringList& mimeTypes, DragData data);
    void setTextProvider(TextProvider provider);
    // Columns after the first, titled `titles`.
    void setExtraColumns(const QStringList& titles, ColumnData data);
    // Lets the header sort the rows: every group read so far, and each read
    // later, is kept in the order `sortOrder` gives.
    void setSortOrder(SortOrder sortOrder) { sortOrder_ = std::move(sortOrder); }
    // Puts the children of every group read so far in `order` (none: as
    // they are), keeping open and selected rows; groups read later follow it.
    void setOrder(Order order);
    // Sorts nodes as the rows are kept now.
    void sortNodes(std::vector<TreeNode::Ptr>& nodes) const;
    // Tells the views that what the node's row shows has changed.
    void nodeChanged(const TreeNode& node);

    // The node of an index; the root for an invalid index.
    TreeNode* nodeForIndex(const QModelIndex& index) const;
    TreeNode::Ptr nodePtrForIndex(const QModelIndex& index) const;
    // The index of a node of the tree; invalid for the root and for nodes
    // that are not in it.
    QModelIndex indexForNode(const TreeNode* node) const;

    // Gives node (the root or a node of the tree) these children instead of
    // its own, telling the views.
    void replaceChildren(TreeNode& node, const std::vector<TreeNode::Ptr>& children);
    // Takes a node of the tree out of its parent, telling the views.
    void removeNode(TreeNode& node);
    // Puts `child` (with whatever is below it) under `parent` at `row`,
    // telling the views; the other rows keep their state.
    void insertNode(TreeNode& parent, const TreeNode::Ptr& child, size_t row);
    // Reads the children of a group now (TreeNode::expandGroupItem),
    // telling the views; fetchMore does the same once the event loop runs.
    void readChildren(TreeNode& node);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    void fetchMore(const QModelIndex& parent) override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    bool inTree(const TreeNode* node) const;

    TreeNode::Ptr root_;
    IconProvider iconProvider_;
    QString headerTitle_;
    QString dragMimeType_;
    DragPayload dragPayload_;
    QStringList dragDataTypes_;
    DragData dragData_;
    TextProvider textProvider_;
    QStringList extraTitles_;
    ColumnData columnData_;
    SortOrder sortOrder_;
    Order order_;
    // Groups whose children fetchMore is about to read (never dereferenced).
    QSet<const TreeNode*> pendingReads_;
};

} // namespace tosk
