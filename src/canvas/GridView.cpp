// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/GridView.h"

#include "canvas/GridDrawing.h"
#include "canvas/GridPanelController.h"

#include <QPaintEvent>
#include <QPainter>

namespace tosk {

GridView::GridView(GridPanelController* controller, QWidget* parent) : QWidget(parent), controller_(controller)
{
    setObjectName(QStringLiteral("gridView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GridView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect bounds = rect();
    painter.fillRect(bounds, Qt::white);
    // A sunken bezel: dark outer ring, light inner ring.
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(bounds.adjusted(0, 0, -1, -1));
    painter.setPen(QColor(200, 200, 200));
    painter.drawRect(bounds.adjusted(1, 1, -2, -2));
    if (!controller_)
        return;
    const QRect inside = bounds.adjusted(kBezel, kBezel, -kBezel, -kBezel).intersected(event->rect());
    if (inside.isEmpty())
        return;
    painter.setClipRect(inside);
    TKXDrawGridWithSettingsInRect(painter, controller_->gridSpacing(), controller_->gridColor(),
                                  Rect(inside.x(), inside.y(), inside.width(), inside.height()),
                                  Point{double(kBezel), double(kBezel)});
}

} // namespace tosk
