// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "browsers/MyOutlineView.h"

#include <QPersistentModelIndex>

#include <functional>

class QMimeData;

namespace tosk {

// The disk browser's tree view: drops go onto a folder row as a whole, or
// onto the empty space below the rows (the folder shown); never between two
// rows. The row a drop would go into is framed while the drag is over it.
class DiskOutlineView : public MyOutlineView {
    Q_OBJECT

public:
    // Where a drop at a point would go: onto a row (`node`), onto the empty
    // space (the root), or between two rows (refused).
    struct DropSpot {
        TreeNode* node = nullptr;
        bool betweenRows = false;
    };
    // Whether the data may go into the node; what a drop there does.
    using Validate = std::function<bool(const QMimeData*, TreeNode* target)>;
    using Accept = std::function<void(const QMimeData*, TreeNode* target)>;

    explicit DiskOutlineView(QWidget* parent = nullptr);

    void setDropHandlers(Validate validate, Accept accept);
    DropSpot dropSpotAt(const QPoint& viewportPos) const;
    // The row framed as the drop target; invalid when none.
    QModelIndex dropTargetIndex() const { return dropTarget_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // The target at the event's position when the drop is allowed there.
    bool allowedAt(const QMimeData* data, const QPoint& pos, TreeNode*& target) const;
    void setDropTarget(const QModelIndex& index);

    Validate validate_;
    Accept accept_;
    QPersistentModelIndex dropTarget_;
};

} // namespace tosk
