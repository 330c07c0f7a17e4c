// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/DiskOutlineView.h"

#include "browsers/TreeNodeModel.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QPainter>

#include <algorithm>

namespace tosk {

DiskOutlineView::DiskOutlineView(QWidget* parent) : MyOutlineView(parent)
{
    setAcceptDrops(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
}

void DiskOutlineView::setDropHandlers(Validate validate, Accept accept)
{
    validate_ = std::move(validate);
    accept_ = std::move(accept);
}

DiskOutlineView::DropSpot DiskOutlineView::dropSpotAt(const QPoint& viewportPos) const
{
    DropSpot spot;
    if (!treeModel())
        return spot;
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid()) {
        spot.node = treeModel()->root().get();
        return spot;
    }
    // The bands at a row's top and bottom edges are "between rows", as Qt's
    // own views measure them.
    const QRect rect = visualRect(index);
    const int margin = std::clamp(qRound(rect.height() / 5.5), 2, 12);
    if (viewportPos.y() - rect.top() < margin || rect.bottom() - viewportPos.y() < margin) {
        spot.betweenRows = true;
        return spot;
    }
    spot.node = treeModel()->nodeForIndex(index);
    return spot;
}

bool DiskOutlineView::allowedAt(const QMimeData* data, const QPoint& pos, TreeNode*& target) const
{
    const DropSpot spot = dropSpotAt(pos);
    target = spot.node;
    return !spot.betweenRows && target && validate_ && validate_(data, target);
}

void DiskOutlineView::setDropTarget(const QModelIndex& index)
{
    if (QModelIndex(dropTarget_) == index)
        return;
    dropTarget_ = index;
    viewport()->update();
}

void DiskOutlineView::dragEnterEvent(QDragEnterEvent* event)
{
    // Whether a drop is possible depends on the row under the pointer, which
    // the moves tell; the drag is taken in as long as it is ours at all.
    if (validate_ && validate_(event->mimeData(), nullptr)) {
        event->acceptProposedAction();
        return;
    }
    event->ignore();
}

void DiskOutlineView::dragMoveEvent(QDragMoveEvent* event)
{
    TreeNode* target = nullptr;
    const QPoint pos = event->position().toPoint();
    if (hasAutoScroll())
        startAutoScroll();
    if (allowedAt(event->mimeData(), pos, target)) {
        setDropTarget(treeModel()->indexForNode(target));
        event->acceptProposedAction();
    } else {
        setDropTarget({});
        event->ignore();
    }
}

void DiskOutlineView::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropTarget({});
    event->accept();
}

void DiskOutlineView::dropEvent(QDropEvent* event)
{
    setDropTarget({});
    TreeNode* target = nullptr;
    if (!allowedAt(event->mimeData(), event->position().toPoint(), target)) {
        event->ignore();
        return;
    }
    // Nothing is left for Qt's view to take out of the model: the browser
    // moves its own rows.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (accept_)
        accept_(event->mimeData(), target);
}

void DiskOutlineView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    MyOutlineView::drawRow(painter, option, index);
    if (index == QModelIndex(dropTarget_)) {
        painter->save();
        painter->setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter->drawRoundedRect(QRectF(option.rect).adjusted(1, 1, -1, -1), 3, 3);
        painter->restore();
    }
}

} // namespace tosk
