// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/WaveformView.h"

#include "Toskfile/WaveObject.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace tosk {

WaveformView::WaveformView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("waveformView"));
    setAccessibleName(tr("Wave table"));
    setAccessibleDescription(tr("Drag across the table with the left button to draw its points."));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setCursor(Qt::CrossCursor);
}

void WaveformView::setWaveObject(WaveObject* table)
{
    table_ = table;
    update();
}

WaveformGeometry WaveformView::pointGeometry() const
{
    if (!table_)
        return WaveformGeometry(width(), height(), 0, -1, 1);
    return WaveformGeometry(width(), height(), table_->numberOfPoints(), table_->minimumPointValue(),
                            table_->maximumPointValue());
}

void WaveformView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRectF bounds = rect();
    p.fillRect(bounds, Qt::white);
    // The bezel: a sunken edge, darker at the top left.
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.drawLine(QPointF(0.5, 0.5), QPointF(bounds.width() - 0.5, 0.5));
    p.drawLine(QPointF(0.5, 0.5), QPointF(0.5, bounds.height() - 0.5));
    p.setPen(QPen(QColor(224, 224, 224), 1));
    p.drawLine(QPointF(0.5, bounds.height() - 0.5), QPointF(bounds.width() - 0.5, bounds.height() - 0.5));
    p.drawLine(QPointF(bounds.width() - 0.5, 0.5), QPointF(bounds.width() - 0.5, bounds.height() - 0.5));

    const WaveformGeometry g = pointGeometry();
    const int n = g.numberOfPoints();
    p.setPen(QPen(Qt::gray, 0.5));
    for (int k = 0; k <= n; ++k)
        p.drawLine(QPointF(g.pointX(k), g.top()), QPointF(g.pointX(k), g.bottom()));
    p.setPen(QPen(Qt::blue, 1));
    p.drawLine(QPointF(g.centreX(), g.top()), QPointF(g.centreX(), g.bottom()));
    if (auto zero = g.zeroLineY(); zero && table_) {
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(QPointF(g.margin(), *zero), QPointF(g.width() - g.margin(), *zero));
    }
    if (!table_ || n == 0)
        return;

    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath curve;
    curve.moveTo(g.pointX(0), g.yForValue(table_->valueForPoint(0)));
    for (int k = 1; k < n; ++k)
        curve.lineTo(g.pointX(k), g.yForValue(table_->valueForPoint(k)));
    p.setPen(QPen(Qt::red, 1));
    p.drawPath(curve);
    // The table repeats: the last point leads back to the first.
    p.setPen(QPen(Qt::gray, 1));
    p.drawLine(QPointF(g.pointX(n - 1), g.yForValue(table_->valueForPoint(n - 1))),
               QPointF(g.pointX(n), g.yForValue(table_->valueForPoint(0))));
}

void WaveformView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    tracking_ = true;
    mouseActionAtPoint(event->position(), event->position());
}

void WaveformView::mouseMoveEvent(QMouseEvent* event)
{
    if (tracking_ && (event->buttons() & Qt::LeftButton))
        mouseActionAtPoint(last_, event->position());
}

void WaveformView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !tracking_)
        return;
    mouseActionAtPoint(last_, event->position());
    tracking_ = false;
}

void WaveformView::mouseActionAtPoint(QPointF from, QPointF at)
{
    last_ = at;
    if (!table_)
        return;
    const WaveformGeometry g = pointGeometry();
    int first = -1;
    int last = -1;
    for (auto [k, value] : g.strokeValues(from.x(), from.y(), at.x(), at.y())) {
        if (table_->valueForPoint(k) == value)
            continue;
        table_->setValue(value, k);
        first = first < 0 ? k : std::min(first, k);
        last = std::max(last, k);
    }
    if (first < 0)
        return;
    if (first == 0) {
        // The wrap segment ends at point 0's height on the far side.
        update();
    } else {
        const double band = 2 * g.dx();
        update(
            QRectF(g.pointX(first) - band, 0, g.pointX(last) - g.pointX(first) + 2 * band, height()).toAlignedRect());
    }
    emit pointsDrawn();
}

} // namespace tosk
