// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/GraphicView.h"

#include "Toskfile/CanvasHitTest.h"
#include "Toskfile/OrderCheck.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "canvas/CanvasCommands.h"
#include "canvas/CanvasComments.h"
#include "canvas/CanvasQuickAdd.h"
#include "canvas/CanvasTextMetrics.h"
#include "canvas/CanvasTracker.h"
#include "canvas/GraphicViewAccessible.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/Latin1.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace tosk {

GraphicView::GraphicView(QWidget* parent)
    : QWidget(parent), tracker_(std::make_unique<CanvasTracker>(*this)),
      commands_(std::make_unique<CanvasCommands>(*this)), comments_(std::make_unique<CanvasComments>(*this))
{
    setObjectName(QStringLiteral("graphicView"));
    GraphicViewAccessible::install();
    setAccessibleName(Latin1::text("CanvasName", "Patch canvas"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAcceptDrops(true);
    autoScrollTimer_ = new QTimer(this);
    autoScrollTimer_->setInterval(40);
    connect(autoScrollTimer_, &QTimer::timeout, this, &GraphicView::autoScroll);
    painter_.setGrid(&grid_);
    applyFrame();
}

GraphicView::~GraphicView()
{
    // A drag still going on is recorded while the document is still there.
    tracker_.reset();
    comments_.reset();
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
    // Undo steps are numbered per document.
    if (document != document_)
        stepViews_.clear();
    if (document_)
        document_->removeChangeListeners(this);
    document_ = document;
    if (document_)
        document_->addChangeListener(this, [this](const PatchChange& change) { patchDidChange(change); });
}

void GraphicView::patchDidChange(const PatchChange& change)
{
    // A drag in progress repaints what it moves itself.
    if (change.actionName.empty() && change.kind == PatchChange::Kind::Move && tracker_ &&
        tracker_->mode() == CanvasTracker::Mode::ModuleDrag)
        return;
    noteStep(change);
    comments_->patchDidChange(change);
    // A comment moved past the canvas's edge is to be scrolled to.
    if (change.touches(PatchChange::Comments))
        applyFrame();
    const size_t selected = marks_.selection().size();
    for (const auto& m : change.removed)
        marks_.forget(*m);
    if (change.touches(PatchChange::FieldLists))
        marks_.forgetRemovedFields();
    // The modules the change names are laid out again (boxes put back by an
    // undo take the height of this view's show mode); a change of wires or
    // order, everything.
    layout_.patchDidChange(change);
    update();
    if (marks_.selection().size() != selected) {
        emit selectionChanged();
        announceSelection();
    }
    followUndo(change);
    // What lies under the mouse may have changed under it (a wire gone).
    if (!statusText_.isEmpty())
        describeUnderMouse();
    noteOrder(change);
}

void GraphicView::noteOrder(const PatchChange& change)
{
    if (!patch_)
        return;
    // A warning lasts while its wire still runs against the order.
    std::erase_if(marks_.orderWarnings, [this](const auto& warning) {
        const auto consumer = warning.first.lock();
        const auto feeder = warning.second.lock();
        return !consumer || !feeder || !OrderCheck::runsBeforeFeeder(*patch_, *consumer, *feeder);
    });
    if (!change.touches(PatchChange::Wiring) || change.direction == PatchChange::Direction::Undone)
        return;
    for (const auto& field : change.fields) {
        const Module* feeder = field ? OrderCheck::laterFeeder(*patch_, *field) : nullptr;
        Module* owner = field ? field->parent() : nullptr;
        if (!feeder || !owner)
            continue;
        Module* consumer = owner->trueParent();
        auto consumerPtr = consumer->shared_from_this();
        auto feederPtr = const_cast<Module*>(feeder)->shared_from_this();
        const bool known = std::any_of(marks_.orderWarnings.begin(), marks_.orderWarnings.end(), [&](const auto& w) {
            return w.first.lock() == consumerPtr && w.second.lock() == feederPtr;
        });
        if (!known)
            marks_.orderWarnings.emplace_back(consumerPtr, feederPtr);
        statusText_ =
            Latin1::text("OrderAgainstWire", "%1 runs before %2, which feeds it \u2014 Patch \u25B8 Reorder SigFile")
                .arg(Latin1::qstring(consumer->instanceName()), Latin1::qstring(feeder->instanceName()));
        emit statusTextChanged(statusText_);
        update();
    }
}

GraphicView::ViewState GraphicView::viewState() const
{
    return ViewState{marks_.selectedModules, frame_};
}

void GraphicView::noteStep(const PatchChange& change)
{
    if (change.step == 0)
        return;
    if (change.direction == PatchChange::Direction::Done) {
        // An event may make several changes: the first one finds the view
        // as it was before.
        if (!stepViews_.emplace(change.step, StepView{viewState(), std::nullopt}).second)
            return;
        // The oldest steps go first; a view forgotten only leaves undo the
        // selection it finds.
        constexpr size_t kKept = 200;
        while (stepViews_.size() > kKept)
            stepViews_.erase(stepViews_.begin());
        const uint64_t step = change.step;
        QTimer::singleShot(0, this, [this, step] {
            auto it = stepViews_.find(step);
            if (it != stepViews_.end() && !it->second.after)
                it->second.after = viewState();
        });
        return;
    }
    auto it = stepViews_.find(change.step);
    if (change.direction == PatchChange::Direction::Undone && it != stepViews_.end() && !it->second.after)
        it->second.after = viewState();
}

void GraphicView::followUndo(const PatchChange& change)
{
    if (change.step == 0 || change.direction == PatchChange::Direction::Done || !patch_)
        return;
    auto it = stepViews_.find(change.step);
    if (it == stepViews_.end())
        return;
    const StepView& view = it->second;
    const bool undone = change.direction == PatchChange::Direction::Undone;
    if (!undone && !view.after)
        return;
    const ViewState& target = undone ? view.before : *view.after;

    std::vector<Module*> kept;
    for (const auto& weak : target.selection)
        if (auto m = weak.lock(); m && patch_->indexOfModule(m.get()) != ModuleList::npos)
            kept.push_back(m.get());
    if (!change.added.empty()) {
        // What the step brings back is selected: in the order the view had
        // it, the rest in the patch's order.
        std::vector<Module*> back;
        for (Module* m : kept)
            if (std::any_of(change.added.begin(), change.added.end(), [m](const auto& a) { return a.get() == m; }))
                back.push_back(m);
        for (const auto& a : change.added)
            if (std::find(back.begin(), back.end(), a.get()) == back.end())
                back.push_back(a.get());
        kept = std::move(back);
    }
    setSelection(kept);

    // The canvas size, where the step changed it (Reposition fits the view).
    if (view.after && view.after->frame != view.before.frame && frame_ != target.frame) {
        canvasLayout();
        setFrameSize(target.frame);
    }
}

void GraphicView::describeUnderMouse()
{
    const QString text = describePoint(canvasPoint(QPointF(lastMouse_)));
    if (text != statusText_) {
        statusText_ = text;
        emit statusTextChanged(text);
    }
}

void GraphicView::setSigFile(SigFile* patch)
{
    if (tracker_ && tracker_->isTracking())
        tracker_->cancel();
    patch_ = patch;
    marks_ = CanvasMarks{};
    redraw();
}

void GraphicView::setShowMode(int mode)
{
    layout_.setShowMode(mode);
    redraw();
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
    if (comments_)
        comments_->placeEditor();
    // The canvas always reaches what the last paint drew, comments included.
    const Point notes = comments_ ? comments_->extent() : Point{};
    double w = std::max({frame_.width(), layout_.maxX(), notes.x});
    double h = std::max({frame_.height(), layout_.maxY(), notes.y});
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
    emit magnificationChanged(magnification_);
    const Rect visible(origin, Size{viewportPoints().width(), viewportPoints().height()});

    const std::vector<Module*> selection = marks_.selection();
    if (selection.empty()) {
        // The point at the top left stays there, as a wheel zoom keeps the
        // one under the mouse.
        m_ScrollX = origin.x;
        m_ScrollY = origin.y;
    } else {
        Rect m;
        for (const Module* module : selection)
            m = m.united(layout_.graphicRect(*module));
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
    visibleRect_ = patch.visibleArea(showMode());
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

void GraphicView::zoomToSelection()
{
    const std::vector<Module*> selection = marks_.selection();
    if (!patch_ || selection.empty())
        return;
    Rect wanted;
    for (const Module* module : selection)
        wanted = wanted.united(layout_.graphicRect(*module));
    wanted = wanted.inset(-kFitMargin / 4, -kFitMargin / 4);
    const QSizeF clip = viewportPoints();
    setZoom(std::min(clip.width() / std::max(1.0, wanted.width()), clip.height() / std::max(1.0, wanted.height())));
    m_ScrollX = std::max(0.0, wanted.x());
    m_ScrollY = std::max(0.0, wanted.y());
    scrollToPoint(Point{m_ScrollX, m_ScrollY});
    update();
    updateRulers();
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
        layout_.layOut(*patch_, head());
    return layout_;
}

void GraphicView::invalidateModule(const Module& module)
{
    // A drag repaints what it moves itself, and nothing leaves the patch
    // while it goes on.
    if (tracker_ && tracker_->mode() == CanvasTracker::Mode::ModuleDrag)
        return;
    // Only a marked module needs looking for in the patch: a change of many
    // modules must not search the list once for each.
    if (patch_ && marks_.refersTo(module) && patch_->indexOfModule(&module) == ModuleList::npos)
        marks_.forget(module);
    // Where the module was last drawn; one not laid out yet, where it will be.
    Rect area = layout_.knows(module) ? layout_.graphicRect(module)
                                      : ModuleGeometry::graphicRect(ModuleGeometry::box(
                                            module, ModuleGeometry::measure(module, showMode()).rows));
    auto selected = marks_.selectedField.lock();
    auto highlighted = marks_.highlightField.lock();
    if ((selected && selected->trueParent() == &module) || (highlighted && highlighted->trueParent() == &module)) {
        ModuleFigure figure;
        figure.compute(layout_, module, selected.get(), highlighted.get(), CanvasTextMetrics::shared());
        area = figure.bounds;
    }
    update(toWidget(area));
}

void GraphicView::invalidateRect(const Rect& rect)
{
    if (!rect.isEmpty())
        update(toWidget(rect));
}

void GraphicView::invalidateField(const ModuleField& field)
{
    Module* top = field.trueParent();
    if (top && top != head()) {
        invalidateModule(*top);
        return;
    }
    // A box of the head: drawn wider while selected.
    Rect r = layout_.pinRect(field);
    invalidateRect(Rect(r.x() - 3, r.y() - 3, r.width() + 6, r.height() + 6));
}

void GraphicView::redraw()
{
    layout_.reset();
    update();
}

// ---------------------------------------------------------------- status

QString GraphicView::describePoint(const Point& point)
{
    if (!patch_)
        return {};
    const CanvasHitTest::Hit hit = CanvasHitTest::hitAt(canvasLayout(), *patch_, head(), point);
    Module* module = hit.module ? hit.module : CanvasHitTest::moduleUnderPoint(layout_, *patch_, point);
    if (!module || (module == head() && !hit.field))
        return {};
    QString text = Latin1::qstring(module->instanceName());
    if (module->opDescriptor())
        text += QStringLiteral(" (") + Latin1::qstring(module->name()) + QLatin1Char(')');
    const ModuleField::Ptr& field = hit.field;
    if (!field)
        return text;
    text += QStringLiteral(" \u00b7 ") + Latin1::qstring(field->name());
    if (field->isOutput()) {
        const size_t fed = patch_->fieldsConnectedTo(*field).size();
        if (fed > 0)
            text += QStringLiteral(" \u2192 ") + Latin1::text("StatusFeeds", "inputs fed:") + QLatin1Char(' ') +
                    QString::number(static_cast<qulonglong>(fed));
        return text;
    }
    text += QStringLiteral(": ") + Latin1::qstring(field->getName(true, false, false, false, true));
    if (!field->source()) {
        const std::string min = field->getSpecifier(OperatorField::MINIMUM);
        const std::string max = field->getSpecifier(OperatorField::MAXIMUM);
        if (!min.empty() && !max.empty())
            text += QStringLiteral("  [") + Latin1::qstring(min) + QStringLiteral(" \u2026 ") + Latin1::qstring(max) +
                    QLatin1Char(']');
    }
    return text;
}

} // namespace tosk
