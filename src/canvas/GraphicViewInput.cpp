// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas's mouse, keyboard and wheel handling, auto-scroll and zoom about a point.
#include "canvas/GraphicView.h"

#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "canvas/CanvasCommands.h"
#include "canvas/CanvasComments.h"
#include "canvas/CanvasTracker.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tosk {

// ---------------------------------------------------------------- mouse

Point GraphicView::canvasPoint(const QPointF& widgetPosition) const
{
    return Point{widgetPosition.x() / magnification_, widgetPosition.y() / magnification_};
}

void GraphicView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    QScrollArea* area = enclosingScrollView();
    if (area && !tracker_->isTracking() &&
        (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && spaceHeld_))) {
        panning_ = true;
        panStart_ = event->globalPosition().toPoint();
        panScrollStart_ = QPoint(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value());
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    lastMouse_ = event->position().toPoint();
    lastModifiers_ = event->modifiers();
    // The second press of a double-click finds the selection its first
    // press took away: the one before that is kept.
    const std::vector<Module*> selection = selectedModules();
    const bool secondPress = lastPress_.isValid() && lastPress_.elapsed() < QApplication::doubleClickInterval();
    lastPress_.start();
    if (!secondPress || !selection.empty()) {
        selectedBeforeClick_.reset();
        if (selection.size() == 1)
            selectedBeforeClick_ = selection.front()->shared_from_this();
    }
    if (comments_->press(canvasPoint(event->position()), event->modifiers() & Qt::ShiftModifier))
        return;
    tracker_->press(canvasPoint(event->position()), event->modifiers(), 1);
}

void GraphicView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    lastMouse_ = event->position().toPoint();
    if (comments_->doubleClick(canvasPoint(event->position())))
        return;
    tracker_->press(canvasPoint(event->position()), event->modifiers(), 2);
}

void GraphicView::mouseMoveEvent(QMouseEvent* event)
{
    if (panning_) {
        if (QScrollArea* area = enclosingScrollView()) {
            const QPoint moved = event->globalPosition().toPoint() - panStart_;
            area->horizontalScrollBar()->setValue(panScrollStart_.x() - moved.x());
            area->verticalScrollBar()->setValue(panScrollStart_.y() - moved.y());
        }
        return;
    }
    lastMouse_ = event->position().toPoint();
    lastModifiers_ = event->modifiers();
    const Point p = canvasPoint(event->position());
    if (comments_->isDragging() && (event->buttons() & Qt::LeftButton)) {
        comments_->move(p);
        return;
    }
    if (tracker_->isTracking() && (event->buttons() & Qt::LeftButton)) {
        tracker_->move(p, event->modifiers());
        updateAutoScroll(lastMouse_);
        return;
    }
    describeUnderMouse();
}

void GraphicView::mouseReleaseEvent(QMouseEvent* event)
{
    if (panning_ && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        panning_ = false;
        if (spaceHeld_)
            setCursor(Qt::OpenHandCursor);
        else
            unsetCursor();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    autoScrollTimer_->stop();
    if (comments_->isDragging()) {
        comments_->release(canvasPoint(event->position()));
        return;
    }
    tracker_->release(canvasPoint(event->position()), event->modifiers());
}

void GraphicView::leaveEvent(QEvent* event)
{
    if (!statusText_.isEmpty()) {
        statusText_.clear();
        emit statusTextChanged(statusText_);
    }
    QWidget::leaveEvent(event);
}

void GraphicView::updateAutoScroll(const QPoint& widgetPosition)
{
    QScrollArea* area = enclosingScrollView();
    if (!area) {
        autoScrollTimer_->stop();
        return;
    }
    const QPoint v = mapTo(area->viewport(), widgetPosition);
    const QSize size = area->viewport()->size();
    auto step = [](int at, int extent) {
        if (at < kAutoScrollMargin)
            return -std::max(1, (kAutoScrollMargin - at) / 2);
        if (at > extent - kAutoScrollMargin)
            return std::max(1, (at - (extent - kAutoScrollMargin)) / 2);
        return 0;
    };
    autoScrollStep_ = QPoint(step(v.x(), size.width()), step(v.y(), size.height()));
    if (autoScrollStep_.isNull())
        autoScrollTimer_->stop();
    else if (!autoScrollTimer_->isActive())
        autoScrollTimer_->start();
}

void GraphicView::autoScroll()
{
    QScrollArea* area = enclosingScrollView();
    if (!area || !tracker_->isTracking() || !(QApplication::mouseButtons() & Qt::LeftButton)) {
        autoScrollTimer_->stop();
        return;
    }
    QScrollBar* h = area->horizontalScrollBar();
    QScrollBar* v = area->verticalScrollBar();
    const int x = h->value(), y = v->value();
    h->setValue(x + autoScrollStep_.x());
    v->setValue(y + autoScrollStep_.y());
    const QPoint moved(h->value() - x, v->value() - y);
    if (moved.isNull())
        return;
    // The mouse stays where it is on the screen: on the canvas it moved.
    lastMouse_ += moved;
    tracker_->move(canvasPoint(lastMouse_), lastModifiers_);
}

void GraphicView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        if (!tracker_->isTracking()) {
            if (!event->isAutoRepeat()) {
                spaceHeld_ = true;
                if (!panning_)
                    setCursor(Qt::OpenHandCursor);
            }
            return;
        }
        break;
    case Qt::Key_Escape:
        if (comments_->isDragging()) {
            comments_->cancel();
            return;
        }
        if (tracker_->isTracking()) {
            tracker_->cancel();
            autoScrollTimer_->stop();
            return;
        }
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        commands_->perform(CanvasCommand::Delete);
        return;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (tracker_->isTracking() || event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            break;
        if (event->key() == Qt::Key_PageDown)
            selectAdjacentModule(1);
        else if (event->key() == Qt::Key_PageUp)
            selectAdjacentModule(-1);
        else
            selectAdjacentModule(event->key() == Qt::Key_Home ? -(1 << 30) : 1 << 30);
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (tracker_->isTracking() || !document_ || !patch_ || selectedModules().empty())
            return;
        const double step = (event->modifiers() & Qt::ShiftModifier) ? grid_.spacing : 1;
        Point d;
        if (event->key() == Qt::Key_Left)
            d.x = -step;
        else if (event->key() == Qt::Key_Right)
            d.x = step;
        else if (event->key() == Qt::Key_Up)
            d.y = -step;
        else
            d.y = step;
        // Each press (and each repeat) is a step of its own.
        UndoGroup press(*document_);
        PatchEditor(*document_).moveModules(selectedModules(), d);
        return;
    }
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void GraphicView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        spaceHeld_ = false;
        if (!panning_)
            unsetCursor();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void GraphicView::wheelEvent(QWheelEvent* event)
{
    QScrollArea* area = enclosingScrollView();
    if (event->modifiers() == Qt::ShiftModifier && area) {
        // Shift turns the wheel sideways, as in most editors.
        const int delta = event->angleDelta().y() ? event->angleDelta().y() : event->angleDelta().x();
        QScrollBar* bar = area->horizontalScrollBar();
        bar->setValue(bar->value() - delta * bar->singleStep() * QApplication::wheelScrollLines() / 120);
        event->accept();
        return;
    }
    if (!(event->modifiers() & Qt::ControlModifier)) {
        // The scroll area scrolls.
        event->ignore();
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta != 0)
        zoomAbout(delta > 0 ? 1.25 : 0.8, event->position());
    event->accept();
}

void GraphicView::zoomAbout(double z, const QPointF& widgetPosition)
{
    if (!(z > 0) || !std::isfinite(z) || !patch_)
        return;
    QScrollArea* area = enclosingScrollView();
    const Point anchor = canvasPoint(widgetPosition);
    QPointF inViewport = widgetPosition;
    if (area)
        inViewport -= QPointF(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value());
    magnification_ *= z;
    applyFrame();
    emit magnificationChanged(magnification_);
    m_ScrollX = std::max(0.0, anchor.x - inViewport.x() / magnification_);
    m_ScrollY = std::max(0.0, anchor.y - inViewport.y() / magnification_);
    scrollToPoint(Point{m_ScrollX, m_ScrollY});
    update();
}

void GraphicView::scrollRectToVisible(const Rect& rect)
{
    QScrollArea* area = enclosingScrollView();
    if (!area || rect.isEmpty())
        return;
    const QRect px = toWidget(rect);
    area->ensureVisible(px.center().x(), px.center().y(), px.width() / 2 + 4, px.height() / 2 + 4);
}

} // namespace tosk
