// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "browsers/TreeNodeModel.h"

#include <functional>

class QMimeData;

namespace tosk {

// The unit browser's tree: banks read their patches through the window's
// worker (never while the model is asked for rows), a bank that is being
// read says so, and rows drag out as items for the disk browser.
class UnitTreeModel : public TreeNodeModel {
    Q_OBJECT

public:
    using MimeFactory = std::function<QMimeData*(const std::vector<TreeNode::Ptr>& nodes)>;

    explicit UnitTreeModel(QObject* parent = nullptr);

    void setMimeFactory(MimeFactory factory) { mimeFactory_ = std::move(factory); }
    // The row of this node shows its state anew.
    void nodeChanged(const TreeNode* node);
    // " (loading...)": what a bank being read shows after its name.
    static QString loadingSuffix();

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    MimeFactory mimeFactory_;
};

} // namespace tosk
