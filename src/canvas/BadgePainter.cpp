// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/BadgePainter.h"

#include "base/PreferenceController.h"
#include "canvas/CanvasStyle.h"
#include "canvas/Latin1.h"

#include <QPainter>

namespace tosk {

void BadgePainter::drawRings(QPainter& painter, const Rect& circle, const std::string& number, bool head,
                             bool highlighted, bool warning)
{
    using S = CanvasStyle;
    const QColor fill = S::role(ci_fill);
    QRectF ring = S::qrect(circle);
    S::strokeOval(painter, ring, head ? QColor(Qt::white) : fill, 2);
    ring.adjust(2, 2, -2, -2);
    S::strokeOval(painter, ring, Qt::black, 2);
    ring.adjust(2, 2, -2, -2);
    QColor inner = head ? fill : (highlighted ? QColor(Qt::red) : fill);
    S::strokeThenFill(painter, ring, inner, 2, warning ? kWarningFill : QColor(Qt::yellow));
    S::drawTextString(painter, Latin1::qstring(number), ring, S::BlackSystem12, Qt::black);
}

void BadgePainter::drawModuleBadge(QPainter& painter, const Rect& circle, const std::string& number, bool highlighted,
                                   bool warning)
{
    drawRings(painter, circle, number, false, highlighted, warning);
}

void BadgePainter::drawHeadBadge(QPainter& painter, const Rect& circle)
{
    drawRings(painter, circle, "0", true, false, false);
}

void BadgePainter::drawOrderDrag(QPainter& painter, const Rect& circle, const Point& point, const std::string& number)
{
    using S = CanvasStyle;
    painter.setPen(QPen(Qt::red, 4));
    painter.drawLine(QPointF(circle.midX(), circle.midY()), S::qpoint(point));
    QRectF badge(point.x - kDragBadgeSize / 2, point.y - kDragBadgeSize / 2, kDragBadgeSize, kDragBadgeSize);
    const QColor yellow(Qt::yellow);
    S::strokeOval(painter, badge, Qt::red, 1, &yellow);
    S::drawCenteredText(painter, Latin1::qstring(number), badge, S::BlackSystem12, Qt::black);
}

} // namespace tosk
