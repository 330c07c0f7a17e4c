// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CanvasScrollView.h"

#include "canvas/RulerView.h"

#include <QResizeEvent>

namespace tosk {

CanvasScrollView::CanvasScrollView(QWidget* parent) : QScrollArea(parent)
{
    horizontalRuler_ = new RulerView(Qt::Horizontal, this);
    horizontalRuler_->setObjectName(QStringLiteral("horizontalRulerView"));
    verticalRuler_ = new RulerView(Qt::Vertical, this);
    verticalRuler_->setObjectName(QStringLiteral("verticalRulerView"));
    // The square where the two rulers meet.
    corner_ = new QWidget(this);
    corner_->setAutoFillBackground(true);
    QPalette palette = corner_->palette();
    palette.setColor(QPalette::Window, QColor(240, 240, 240));
    corner_->setPalette(palette);
    horizontalRuler_->hide();
    verticalRuler_->hide();
    corner_->hide();
}

void CanvasScrollView::setRulerClient(QWidget* client, const std::function<double()>& pointsToPixels)
{
    horizontalRuler_->setClientView(client, pointsToPixels);
    verticalRuler_->setClientView(client, pointsToPixels);
}

void CanvasScrollView::setRulersVisible(bool visible)
{
    if (visible == rulersVisible_)
        return;
    rulersVisible_ = visible;
    const int t = visible ? RulerView::kThickness : 0;
    setViewportMargins(t, t, 0, 0);
    placeRulers();
    horizontalRuler_->setVisible(visible);
    verticalRuler_->setVisible(visible);
    corner_->setVisible(visible);
}

void CanvasScrollView::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    placeRulers();
}

bool CanvasScrollView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Resize)
        placeRulers();
    return QScrollArea::viewportEvent(event);
}

void CanvasScrollView::placeRulers()
{
    // In the margins left beside the viewport, which the scroll view has
    // laid out by now.
    const QRect vp = viewport()->geometry();
    const int t = RulerView::kThickness;
    horizontalRuler_->setGeometry(vp.left(), vp.top() - t, vp.width(), t);
    verticalRuler_->setGeometry(vp.left() - t, vp.top(), t, vp.height());
    corner_->setGeometry(vp.left() - t, vp.top() - t, t, t);
}

} // namespace tosk
