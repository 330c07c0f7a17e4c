// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/DiskDropItem.h"
#include "base/TreeNode.h"

#include <QMimeData>

#include <vector>

namespace tosk {

// What a drag onto the disk browser carries, under the type
// "application/x-tosk-disk-view" (the browsers' "DiskViewPboardType") and
// as plain text describing it. A drag from a unit browser carries the items
// to copy from the unit (DiskDropItem); a drag inside the disk browser
// carries its own nodes, to move. The objects travel in the data itself, so
// that a drop works the same whether Qt's drag or a test delivers it.
class DiskDragMimeData : public QMimeData {
    Q_OBJECT

public:
    static constexpr const char* mimeType = "application/x-tosk-disk-view";

    // Items of the unit browser `origin`, with the description shown as text.
    DiskDragMimeData(std::vector<DiskDropItem::Ptr> items, const QString& description, const void* origin = nullptr);
    // Nodes of the disk browser `origin` (never dereferenced: it tells one
    // browser's drags from another's, and a window its own drags).
    DiskDragMimeData(std::vector<TreeNode::Ptr> diskNodes, const void* origin, const QString& description);

    const std::vector<DiskDropItem::Ptr>& unitItems() const { return unitItems_; }
    // The unit the items come from, asked around the copy (may be null).
    void setSource(DiskDropSource::Ptr source) { source_ = std::move(source); }
    const DiskDropSource::Ptr& source() const { return source_; }
    const std::vector<TreeNode::Ptr>& diskNodes() const { return diskNodes_; }
    const void* origin() const { return origin_; }

private:
    std::vector<DiskDropItem::Ptr> unitItems_;
    DiskDropSource::Ptr source_;
    std::vector<TreeNode::Ptr> diskNodes_;
    const void* origin_ = nullptr;
};

} // namespace tosk
