#include "canvas/GraphicView.h"

#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "canvas/CanvasScrollView.h"
#include "canvas/CanvasStyle.h"
#include "canvas/CanvasTextMetrics.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/GridDrawing.h"
#include "canvas/RulerView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace tosk {

GraphicView::GraphicView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("graphicView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    painter_.setGrid(&grid_);
    applyFrame();
}

GraphicView::~GraphicView()
{
    setDocument(nullptr);
}

void GraphicView::setGraphicWindowController(GraphicWindowController* controller)
{
    controller_ = controller;
    setDocument(controller ? controller->sigDocument() : nullptr);
    setSigFile(controller && controller->sigDocument() ? controller->sigDocument()->sigFile() : nullptr);
}

void GraphicView::setDocument(SigDocument* document)
{
    if (document_) {
        document_->removeInvalidationHandlers(this);
        document_->removeChangeListeners(this);
    }
    document_ = document;
    if (document_) {
        document_->addInvalidationHandler(this, [this](const Module& m) { invalidateModule(m); });
        document_->addChangeListener(this, [this](const PatchChange& change) { patchDidChange(change); });
    }
}

void GraphicView::patchDidChange(const PatchChange& change)
{
    for (const auto& m : change.removed)
        marks_.forget(*m);
    if (change.touches(PatchChange::FieldLists))
        marks_.forgetRemovedFields();
    // Wires, badges and heights may change anywhere: everything is laid out
    // and painted again.
    redraw();
}

void GraphicView::setSigFile(SigFile* patch)
{
    patch_ = patch;
    marks_ = CanvasMarks{};
    redraw();
}

Module* GraphicView::head() const
{
    return patch_ ? patch_->head().get() : nullptr;
}

int GraphicView::showMode() const
{
    return patch_ ? patch_->showMode() : 0;
}

QScrollArea* GraphicView::enclosingScrollView() const
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(w))
            return area;
    return nullptr;
}

QSizeF GraphicView::viewportPoints() const
{
    QScrollArea* area = enclosingScrollView();
    QSize px = area ? area->viewport()->size() : size();
    return QSizeF(px.width() / magnification_, px.height() / magnification_);
}

Rect GraphicView::visibleArea() const
{
    QScrollArea* area = enclosingScrollView();
    double x = area ? area->horizontalScrollBar()->value() / magnification_ : 0;
    double y = area ? area->verticalScrollBar()->value() / magnification_ : 0;
    QSizeF size = viewportPoints();
    return Rect(x, y, size.width(), size.height());
}

void GraphicView::setFrameSize(const QSizeF& size)
{
    frame_ = size;
    applyFrame();
}

void GraphicView::applyFrame()
{
    // The canvas always reaches what the last paint drew.
    double w = std::max(frame_.width(), layout_.maxX());
    double h = std::max(frame_.height(), layout_.maxY());
    QSize px(int(std::ceil(w * magnification_)), int(std::ceil(h * magnification_)));
    if (px != size())
        resize(px);
}

void GraphicView::scrollToPoint(const Point& point)
{
    QScrollArea* area = enclosingScrollView();
    if (!area)
        return;
    area->horizontalScrollBar()->setValue(int(std::lround(point.x * magnification_)));
    area->verticalScrollBar()->setValue(int(std::lround(point.y * magnification_)));
}

void GraphicView::setZoom(double z)
{
    if (!(z > 0) || !std::isfinite(z))
        return;
    Point origin = visibleArea().origin;
    if (origin.x < 1)
        origin.x = 0;
    if (origin.y < 1)
        origin.y = 0;
    magnification_ *= z;
    applyFrame();
    const Rect visible(origin, Size{viewportPoints().width(), viewportPoints().height()});

    const std::vector<Module*> selection = marks_.selection();
    if (selection.empty()) {
        m_ScrollX = origin.x * z;
        m_ScrollY = origin.y * z;
    } else {
        Rect m;
        for (const Module* module : selection)
            m = m.united(module->graphicRect());
        // Keep the selection in sight, axis by axis.
        auto follow = [](double far, double near, double visibleOrigin, double visibleFar, double extent,
                         double remembered) {
            if (far > visibleFar)
                return far - extent;
            if (visibleOrigin > near)
                return near;
            return std::min(remembered, visibleOrigin);
        };
        m_ScrollX = follow(m.maxX(), m.minX(), visible.x(), visible.maxX(), visible.width(), m_ScrollX);
        m_ScrollY = follow(m.maxY(), m.minY(), visible.y(), visible.maxY(), visible.height(), m_ScrollY);
    }
    scrollToPoint(Point{m_ScrollX, m_ScrollY});
    update();
    updateRulers();
}

double GraphicView::fitter(SigFile& patch)
{
    visibleRect_ = patch.visibleArea(patch.showMode());
    const double w = visibleRect_.width() + kFitMargin, h = visibleRect_.height() + kFitMargin;
    const QSizeF clip = viewportPoints();
    const double cw = clip.width(), ch = std::max(1.0, clip.height());
    const double zx = cw / w, zy = ch / h, a = cw / ch;
    double factor;
    if (zx > zy) {
        factor = zy;
        frame_ = QSizeF(w * a, h);
    } else {
        factor = zx;
        frame_ = QSizeF(w, h * a);
    }
    m_ScrollX = m_ScrollY = 0;
    scrollToPoint(Point{});
    applyFrame();
    return factor;
}

void GraphicView::zoomToFit()
{
    if (!patch_)
        return;
    setZoom(fitter(*patch_));
}

QRect GraphicView::toWidget(const Rect& r) const
{
    QRectF px(r.x() * magnification_, r.y() * magnification_, r.width() * magnification_, r.height() * magnification_);
    // Anti-aliased edges reach half a pixel out.
    return px.toAlignedRect().adjusted(-2, -2, 2, 2);
}

const CanvasLayout& GraphicView::canvasLayout()
{
    if (patch_)
        layout_.layOut(*patch_, head(), patch_->showMode());
    return layout_;
}

void GraphicView::invalidateModule(const Module& module)
{
    // Only a marked module needs looking for in the patch: a change of many
    // modules must not search the list once for each.
    if (patch_ && marks_.refersTo(module) && patch_->indexOfModule(&module) == ModuleList::npos)
        marks_.forget(module);
    Rect area = module.graphicRect();
    auto selected = marks_.selectedField.lock();
    auto highlighted = marks_.highlightField.lock();
    if ((selected && selected->trueParent() == &module) || (highlighted && highlighted->trueParent() == &module)) {
        ModuleFigure figure;
        figure.compute(module, showMode(), selected.get(), highlighted.get(), CanvasTextMetrics::shared());
        area = figure.bounds;
    }
    update(toWidget(area));
}

void GraphicView::redraw()
{
    layout_.reset();
    update();
}

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

void GraphicView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (!patch_) {
        painter.fillRect(event->rect(), Qt::white);
        return;
    }
    const CanvasLayout& layout = canvasLayout();
    painter.scale(magnification_, magnification_);
    QRectF dirty(event->rect().x() / magnification_, event->rect().y() / magnification_,
                 event->rect().width() / magnification_, event->rect().height() / magnification_);
    painter_.drawRect(painter, CanvasStyle::rect(dirty), layout, *patch_, head(), patch_->showMode(), marks_);
    // A patch that grew past the frame gets room to scroll to.
    if (layout.maxX() * magnification_ > width() + 0.5 || layout.maxY() * magnification_ > height() + 0.5)
        QTimer::singleShot(0, this, [this] { applyFrame(); });
}

} // namespace tosk
