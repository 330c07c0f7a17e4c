// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/UnitTreeModel.h"

#include "browsers/DiskDragMimeData.h"
#include "browsers/KorvatelNodeData.h"
#include "canvas/Latin1.h"

#include <QBrush>
#include <QMimeData>

namespace tosk {

UnitTreeModel::UnitTreeModel(QObject* parent) : TreeNodeModel(parent) {}

QString UnitTreeModel::loadingSuffix()
{
    return Latin1::text("UnitLoadingSuffix", " (loading...)");
}

void UnitTreeModel::nodeChanged(const TreeNode* node)
{
    QModelIndex index = indexForNode(node);
    if (index.isValid())
        emit dataChanged(index, index);
}

QVariant UnitTreeModel::data(const QModelIndex& index, int role) const
{
    const auto* data =
        index.isValid() ? dynamic_cast<const KorvatelNodeData*>(nodeForIndex(index)->nodeData()) : nullptr;
    if (data && data->isLoading()) {
        if (role == Qt::DisplayRole)
            return TreeNodeModel::data(index, role).toString() + loadingSuffix();
        if (role == Qt::ForegroundRole)
            return QBrush(Qt::darkGray);
    }
    return TreeNodeModel::data(index, role);
}

Qt::ItemFlags UnitTreeModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = TreeNodeModel::flags(index);
    if (index.isValid() && mimeFactory_)
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

bool UnitTreeModel::canFetchMore(const QModelIndex&) const
{
    // Banks are read by the window, off the main thread.
    return false;
}

QStringList UnitTreeModel::mimeTypes() const
{
    return {QString::fromLatin1(DiskDragMimeData::mimeType)};
}

QMimeData* UnitTreeModel::mimeData(const QModelIndexList& indexes) const
{
    if (!mimeFactory_)
        return nullptr;
    std::vector<TreeNode::Ptr> nodes;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && index.column() == 0)
            if (TreeNode::Ptr node = nodePtrForIndex(index);
                node && std::find(nodes.begin(), nodes.end(), node) == nodes.end())
                nodes.push_back(std::move(node));
    return nodes.empty() ? nullptr : mimeFactory_(nodes);
}

} // namespace tosk
