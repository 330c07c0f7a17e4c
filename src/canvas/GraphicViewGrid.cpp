// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas's grid, rulers and painting.
#include "canvas/GraphicView.h"

#include "Toskfile/SigFile.h"
#include "canvas/CanvasComments.h"
#include "canvas/CanvasScrollView.h"
#include "canvas/CanvasStyle.h"
#include "canvas/CompareOverlay.h"
#include "canvas/GraphicViewAccessible.h"
#include "canvas/GridDrawing.h"
#include "canvas/RulerView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QTimer>

#include <algorithm>

namespace tosk {

// ---------------------------------------------------------------- grid and rulers

bool GraphicView::setGridSettings(const GridSettings& settings)
{
    if (!isUsableGridSpacing(settings.spacing))
        return false;
    const GridSettings old = grid_;
    grid_ = settings;
    const bool looksChanged = old.showsGrid != grid_.showsGrid ||
                              (grid_.showsGrid && (old.spacing != grid_.spacing || old.color != grid_.color));
    if (looksChanged)
        update();
    if (old.showsRuler != grid_.showsRuler) {
        if (CanvasScrollView* scroll = rulerScrollView()) {
            if (!grid_.showsRuler)
                stopEchoingMoveToRulers();
            scroll->setRulerClient(this, [this] { return magnification_; });
            scroll->setRulersVisible(grid_.showsRuler);
        }
    }
    if (!(old == grid_))
        emit gridSettingsChanged();
    return true;
}

void GraphicView::setSnapsToGrid(bool on)
{
    GridSettings s = grid_;
    s.snapsToGrid = on;
    setGridSettings(s);
}

void GraphicView::setShowsGrid(bool on)
{
    GridSettings s = grid_;
    s.showsGrid = on;
    setGridSettings(s);
}

void GraphicView::setShowsRuler(bool on)
{
    GridSettings s = grid_;
    s.showsRuler = on;
    setGridSettings(s);
}

bool GraphicView::setGridSpacing(double spacing)
{
    GridSettings s = grid_;
    s.spacing = spacing;
    return setGridSettings(s);
}

void GraphicView::setGridColor(const QColor& color)
{
    GridSettings s = grid_;
    s.color = color;
    setGridSettings(s);
}

CanvasScrollView* GraphicView::rulerScrollView() const
{
    return qobject_cast<CanvasScrollView*>(enclosingScrollView());
}

void GraphicView::updateRulers()
{
    CanvasScrollView* scroll = rulerScrollView();
    if (!scroll || !scroll->rulersVisible())
        return;
    scroll->horizontalRulerView()->update();
    scroll->verticalRulerView()->update();
}

void GraphicView::beginEchoingMoveToRulers(const Rect& bounds)
{
    continueEchoingMoveToRulers(bounds);
}

void GraphicView::continueEchoingMoveToRulers(const Rect& bounds)
{
    CanvasScrollView* scroll = rulerScrollView();
    if (!scroll || !scroll->rulersVisible())
        return;
    scroll->horizontalRulerView()->setEcho(bounds);
    scroll->verticalRulerView()->setEcho(bounds);
}

void GraphicView::stopEchoingMoveToRulers()
{
    if (CanvasScrollView* scroll = rulerScrollView()) {
        scroll->horizontalRulerView()->clearEcho();
        scroll->verticalRulerView()->clearEcho();
    }
}

Rect GraphicView::horizontalRulerLineRect() const
{
    CanvasScrollView* scroll = rulerScrollView();
    return scroll ? scroll->horizontalRulerView()->lineRect() : Rect();
}

Rect GraphicView::verticalRulerLineRect() const
{
    CanvasScrollView* scroll = rulerScrollView();
    return scroll ? scroll->verticalRulerView()->lineRect() : Rect();
}

void GraphicView::setCompareOverlay(std::shared_ptr<const CompareOverlay> overlay)
{
    overlay_ = std::move(overlay);
    update();
}

void GraphicView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (!patch_) {
        painter.fillRect(event->rect(), Qt::white);
        return;
    }
    const CanvasLayout& layout = canvasLayout();
    painter.scale(magnification_, magnification_);
    // Zoomed far out, names are specks that cost most of the paint.
    const CanvasStyle::ScreenDetail detail(kMinimumTextPixels);
    auto paint = [&](const QRect& px) {
        QRectF dirty(px.x() / magnification_, px.y() / magnification_, px.width() / magnification_,
                     px.height() / magnification_);
        painter_.drawRect(painter, CanvasStyle::rect(dirty), layout, *patch_, head(), marks_);
    };
    // A few separate areas (the ends of a wire being drawn, the edges of a
    // rubber band) are painted one by one rather than everything between.
    const QRegion& region = event->region();
    if (region.rectCount() > 1 && region.rectCount() <= 8) {
        for (const QRect& px : region) {
            painter.save();
            painter.setClipRect(QRectF(px.x() / magnification_, px.y() / magnification_, px.width() / magnification_,
                                       px.height() / magnification_));
            paint(px);
            painter.restore();
        }
    } else {
        paint(event->rect());
    }
    const QRect px = event->rect();
    comments_->paint(painter, Rect(px.x() / magnification_, px.y() / magnification_, px.width() / magnification_,
                                   px.height() / magnification_));
    // The legend keeps its corner of the view: the whole view is painted.
    if (overlay_)
        CompareOverlayPainter::draw(painter, *overlay_, visibleArea(), layout);
    // A patch that grew past the frame gets room to scroll to.
    const Point notes = comments_->extent();
    if (std::max(layout.maxX(), notes.x) * magnification_ > width() + 0.5 ||
        std::max(layout.maxY(), notes.y) * magnification_ > height() + 0.5)
        QTimer::singleShot(0, this, [this] { applyFrame(); });
}

} // namespace tosk
