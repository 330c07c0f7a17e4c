// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/TreeNodeModel.h"

#include "canvas/Latin1.h"

#include <QFont>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>

namespace tosk {

TreeNodeModel::TreeNodeModel(QObject* parent) : QAbstractItemModel(parent), root_(std::make_shared<TreeNode>()) {}

void TreeNodeModel::setRoot(TreeNode::Ptr root)
{
    beginResetModel();
    pendingReads_.clear();
    root_ = root ? std::move(root) : std::make_shared<TreeNode>();
    endResetModel();
}

void TreeNodeModel::setIconProvider(IconProvider provider)
{
    iconProvider_ = std::move(provider);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}

void TreeNodeModel::setDragSource(const QString& mimeType, DragPayload payload)
{
    dragMimeType_ = mimeType;
    dragPayload_ = std::move(payload);
}

void TreeNodeModel::setDragData(const QStringList& mimeTypes, DragData data)
{
    dragDataTypes_ = mimeTypes;
    dragData_ = std::move(data);
}

void TreeNodeModel::setTextProvider(TextProvider provider)
{
    textProvider_ = std::move(provider);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DisplayRole});
}

TreeNode* TreeNodeModel::nodeForIndex(const QModelIndex& index) const
{
    if (!index.isValid())
        return root_.get();
    return static_cast<TreeNode*>(index.internalPointer());
}

TreeNode::Ptr TreeNodeModel::nodePtrForIndex(const QModelIndex& index) const
{
    if (!index.isValid())
        return root_;
    TreeNode* node = nodeForIndex(index);
    TreeNode* parent = node->nodeParent();
    return parent ? parent->childAtIndex(size_t(index.row())) : nullptr;
}

bool TreeNodeModel::inTree(const TreeNode* node) const
{
    return node && node->isDescendantOfNode(*root_);
}

QModelIndex TreeNodeModel::indexForNode(const TreeNode* node) const
{
    if (!inTree(node) || node == root_.get())
        return {};
    const TreeNode* parent = node->nodeParent();
    return createIndex(int(parent->indexOfChildIdenticalTo(node)), 0, const_cast<TreeNode*>(node));
}

void TreeNodeModel::replaceChildren(TreeNode& node, const std::vector<TreeNode::Ptr>& children)
{
    if (!inTree(&node))
        return;
    // Leave out what insertChildren would refuse (a node that would become
    // its own ancestor) and repeats, so that the rows announced are the rows
    // inserted.
    std::vector<TreeNode::Ptr> list;
    for (const TreeNode::Ptr& child : children)
        if (child && !node.isDescendantOfNode(*child) && std::find(list.begin(), list.end(), child) == list.end())
            list.push_back(child);
    // A node moved from elsewhere in the tree leaves its old row first.
    for (const TreeNode::Ptr& child : list)
        if (child->nodeParent() && child->nodeParent() != &node && inTree(child.get()))
            removeNode(*child);
    const QModelIndex parent = indexForNode(&node);
    if (node.numberOfChildren() > 0) {
        beginRemoveRows(parent, 0, int(node.numberOfChildren()) - 1);
        node.removeAllChildren();
        endRemoveRows();
    }
    if (!list.empty()) {
        beginInsertRows(parent, 0, int(list.size()) - 1);
        node.insertChildren(list, 0);
        endInsertRows();
    }
}

void TreeNodeModel::removeNode(TreeNode& node)
{
    if (!inTree(&node) || &node == root_.get())
        return;
    pendingReads_.remove(&node);
    const QModelIndex index = indexForNode(&node);
    beginRemoveRows(index.parent(), index.row(), index.row());
    node.removeFromParent();
    endRemoveRows();
}

void TreeNodeModel::insertNode(TreeNode& parent, const TreeNode::Ptr& child, size_t row)
{
    if (!child || !inTree(&parent) || parent.isDescendantOfNode(*child))
        return;
    if (child->nodeParent() && inTree(child.get()))
        removeNode(*child);
    row = std::min(row, parent.numberOfChildren());
    beginInsertRows(indexForNode(&parent), int(row), int(row));
    parent.insertChild(child, row);
    endInsertRows();
}

QModelIndex TreeNodeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= columnCount() || (parent.isValid() && parent.column() != 0))
        return {};
    TreeNode* parentNode = nodeForIndex(parent);
    TreeNode::Ptr child = parentNode->childAtIndex(size_t(row));
    return child ? createIndex(row, column, child.get()) : QModelIndex();
}

QModelIndex TreeNodeModel::parent(const QModelIndex& index) const
{
    if (!index.isValid())
        return {};
    TreeNode* parent = nodeForIndex(index)->nodeParent();
    if (!parent || parent == root_.get() || !parent->nodeParent())
        return {};
    return createIndex(int(parent->nodeParent()->indexOfChildIdenticalTo(parent)), 0, parent);
}

int TreeNodeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return int(nodeForIndex(parent)->numberOfChildren());
}

int TreeNodeModel::columnCount(const QModelIndex&) const
{
    return 1 + int(extraTitles_.size());
}

void TreeNodeModel::setExtraColumns(const QStringList& titles, ColumnData data)
{
    beginResetModel();
    extraTitles_ = titles;
    columnData_ = std::move(data);
    endResetModel();
}

void TreeNodeModel::sortNodes(std::vector<TreeNode::Ptr>& nodes) const
{
    if (order_)
        std::stable_sort(nodes.begin(), nodes.end(),
                         [this](const TreeNode::Ptr& a, const TreeNode::Ptr& b) { return order_(*a, *b); });
}

void TreeNodeModel::setOrder(Order order)
{
    order_ = std::move(order);
    if (!order_ || !root_)
        return;
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<TreeNode*> pending{root_.get()};
    while (!pending.empty()) {
        TreeNode* node = pending.back();
        pending.pop_back();
        std::vector<TreeNode::Ptr> children = node->children();
        if (children.empty())
            continue;
        sortNodes(children);
        node->removeAllChildren();
        node->insertChildren(children, 0);
        for (const TreeNode::Ptr& child : children)
            pending.push_back(child.get());
    }
    // Each persistent index follows its node to the node's new row.
    QModelIndexList after;
    for (const QModelIndex& index : before) {
        const QModelIndex moved = indexForNode(static_cast<const TreeNode*>(index.internalPointer()));
        after.push_back(moved.isValid() ? moved.siblingAtColumn(index.column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void TreeNodeModel::sort(int column, Qt::SortOrder order)
{
    if (sortOrder_)
        setOrder(sortOrder_(column, order));
}

void TreeNodeModel::nodeChanged(const TreeNode& node)
{
    const QModelIndex index = indexForNode(&node);
    if (index.isValid())
        emit dataChanged(index, index.siblingAtColumn(columnCount() - 1));
}

bool TreeNodeModel::hasChildren(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return false;
    const TreeNode* node = nodeForIndex(parent);
    if (node->numberOfChildren() > 0)
        return true;
    return parent.isValid() && node->nodeData() && node->nodeData()->isGroup();
}

QVariant TreeNodeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const TreeNode* node = nodeForIndex(index);
    if (index.column() > 0) {
        if (role == Qt::FontRole)
            return data(index.siblingAtColumn(0), role);
        return columnData_ ? columnData_(*node, index.column(), role) : QVariant();
    }
    switch (role) {
    case Qt::DisplayRole:
        if (textProvider_)
            return textProvider_(*node);
        return node->nodeData() ? Latin1::qstring(node->nodeData()->name()) : QString();
    case Qt::DecorationRole:
        if (iconProvider_) {
            QIcon icon = iconProvider_(*node);
            if (!icon.isNull())
                return icon;
        }
        return {};
    case Qt::FontRole: {
        QFont font = QGuiApplication::font();
        font.setPointSize(fontPointSize);
        return font;
    }
    default:
        return {};
    }
}

QVariant TreeNodeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // A first click on a column's header sorts up, whatever the style.
    if (orientation == Qt::Horizontal && role == Qt::InitialSortOrderRole)
        return int(Qt::AscendingOrder);
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == 0)
        return headerTitle_;
    if (section > 0 && section <= int(extraTitles_.size()))
        return extraTitles_[section - 1];
    return {};
}

Qt::ItemFlags TreeNodeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (dragPayload_ || dragData_)
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

bool TreeNodeModel::canFetchMore(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return false;
    const TreeNode* node = nodeForIndex(parent);
    return node->numberOfChildren() == 0 && node->nodeData() && node->nodeData()->isGroup() &&
           !pendingReads_.contains(node);
}

void TreeNodeModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    // Views ask while they handle other changes of the model (a reset, a
    // layout); the children are read and announced once that is over.
    std::weak_ptr<TreeNode> weak = nodePtrForIndex(parent);
    pendingReads_.insert(weak.lock().get());
    QMetaObject::invokeMethod(
        this,
        [this, weak] {
            TreeNode::Ptr node = weak.lock();
            if (!node || !pendingReads_.remove(node.get()) || !inTree(node.get()) || node->numberOfChildren() > 0)
                return;
            readChildren(*node);
        },
        Qt::QueuedConnection);
}

void TreeNodeModel::readChildren(TreeNode& node)
{
    if (!inTree(&node))
        return;
    // The node reads its children into itself; they are taken out again and
    // put back through replaceChildren so that the views hear of them.
    if (node.numberOfChildren() > 0)
        replaceChildren(node, {});
    node.expandGroupItem();
    std::vector<TreeNode::Ptr> children = node.children();
    if (children.empty())
        return;
    sortNodes(children);
    node.removeAllChildren();
    replaceChildren(node, children);
}

QStringList TreeNodeModel::mimeTypes() const
{
    if (dragData_)
        return dragDataTypes_;
    return dragMimeType_.isEmpty() ? QStringList() : QStringList{dragMimeType_};
}

QMimeData* TreeNodeModel::mimeData(const QModelIndexList& indexes) const
{
    if (!dragPayload_ && !dragData_)
        return nullptr;
    QModelIndexList rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && index.column() == 0 && !rows.contains(index))
            rows.push_back(index);
    std::vector<TreeNode::Ptr> nodes;
    for (const QModelIndex& index : rows)
        if (TreeNode::Ptr node = nodePtrForIndex(index))
            nodes.push_back(std::move(node));
    if (dragData_)
        return dragData_(nodes);
    QByteArray bytes = dragPayload_(nodes);
    if (bytes.isEmpty())
        return nullptr;
    auto* mime = new QMimeData;
    mime->setData(dragMimeType_, bytes);
    return mime;
}

Qt::DropActions TreeNodeModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

} // namespace tosk
