// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/GraphicView.h"

#include "Toskfile/CanvasHitTest.h"
#include "Toskfile/ModuleArrangement.h"
#include "Toskfile/OrderCheck.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "base/NumberText.h"
#include "canvas/CanvasCommands.h"
#include "canvas/CanvasComments.h"
#include "canvas/CanvasQuickAdd.h"
#include "canvas/CanvasScrollView.h"
#include "canvas/CanvasStyle.h"
#include "canvas/CanvasTextMetrics.h"
#include "canvas/CanvasTracker.h"
#include "canvas/CommentPainter.h"
#include "canvas/CompareOverlay.h"
#include "canvas/GraphicViewAccessible.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/GridDrawing.h"
#include "canvas/Latin1.h"
#include "canvas/RulerView.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

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

// ---------------------------------------------------------------- selection

bool GraphicView::moduleIsSelected(const Module* module) const
{
    for (const auto& weak : marks_.selectedModules)
        if (weak.lock().get() == module)
            return true;
    return false;
}

void GraphicView::selectModule(Module& module)
{
    if (&module == head() || module.isTail() || moduleIsSelected(&module))
        return;
    std::vector<Module*> selection = selectedModules();
    selection.push_back(&module);
    setSelection(selection);
}

void GraphicView::deselectModule(Module& module)
{
    if (!moduleIsSelected(&module))
        return;
    std::vector<Module*> selection = selectedModules();
    std::erase(selection, &module);
    setSelection(selection);
}

void GraphicView::clearSelection()
{
    setSelection({});
}

void GraphicView::setSelection(const std::vector<Module*>& modules)
{
    const std::vector<Module*> before = selectedModules();
    std::vector<std::weak_ptr<Module>> kept;
    std::vector<const Module*> seen;
    for (Module* m : modules) {
        if (!m || m == head() || m->isTail() || std::find(seen.begin(), seen.end(), m) != seen.end())
            continue;
        seen.push_back(m);
        kept.push_back(m->shared_from_this());
    }
    if (seen.size() == before.size() && std::equal(seen.begin(), seen.end(), before.begin()))
        return;
    marks_.selectedModules = std::move(kept);
    if (!seen.empty())
        setSelectedWire(nullptr);
    selectionDidChange(before);
}

void GraphicView::selectionDidChange(const std::vector<Module*>& before)
{
    const std::vector<Module*> after = selectedModules();
    std::vector<Module*> a = before, b = after, changed;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    std::set_symmetric_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(changed));
    // Comments are selected on their own.
    if (!after.empty())
        comments_->clearSelection();
    if (changed.size() > 200) {
        update();
    } else {
        for (Module* m : changed)
            invalidateModule(*m);
        // The wires of a single selected module are drawn wider.
        for (const auto* list : {&before, &after})
            if (list->size() == 1 && patch_)
                invalidateRect(CanvasHitTest::connectedDirtyRect(*patch_, *list->front()));
    }
    emit selectionChanged();
    announceSelection();
}

void GraphicView::setSelectedField(const ModuleField::Ptr& field)
{
    ModuleField::Ptr old = marks_.selectedField.lock();
    if (old == field)
        return;
    marks_.selectedField = field;
    if (old)
        invalidateField(*old);
    if (field)
        invalidateField(*field);
    announceSelection();
}

void GraphicView::setSelectedWire(const ModuleField::Ptr& input)
{
    ModuleField::Ptr old = marks_.selectedWire.lock();
    if (old == input)
        return;
    marks_.selectedWire = input;
    // A wire runs anywhere between its two pins.
    for (const auto& f : {old, input})
        if (f && patch_ && f->trueParent())
            invalidateRect(CanvasHitTest::connectedDirtyRect(*patch_, *f->trueParent()));
}

ModuleField::Ptr GraphicView::wireAt(const Point& point)
{
    if (!patch_)
        return nullptr;
    canvasLayout();
    return CanvasHitTest::wireAt(*patch_, head(), point);
}

std::vector<Module*> GraphicView::selectableModules() const
{
    std::vector<Module*> modules;
    if (!patch_)
        return modules;
    for (const Module::Ptr& m : patch_->listOfModules())
        if (m && m.get() != head() && !m->isTail())
            modules.push_back(m.get());
    return modules;
}

void GraphicView::selectAdjacentModule(int step)
{
    const std::vector<Module*> modules = selectableModules();
    if (modules.empty() || step == 0)
        return;
    const std::vector<Module*> selection = selectedModules();
    const auto last = static_cast<long>(modules.size()) - 1;
    // From nothing selected, one step forward is the first module and one
    // step back the last.
    long from = step > 0 ? -1 : last + 1;
    if (!selection.empty()) {
        const auto at = std::find(modules.begin(), modules.end(), selection.back());
        if (at != modules.end())
            from = static_cast<long>(at - modules.begin());
    }
    const long index = std::clamp(from + step, 0L, last);
    Module* chosen = modules[static_cast<size_t>(index)];
    setSelection({chosen});
    canvasLayout();
    scrollRectToVisible(chosen->graphicRect());
}

QString GraphicView::selectionAnnouncement() const
{
    const std::vector<Module*> selection = selectedModules();
    QString text;
    if (selection.size() == 1) {
        const Module* m = selection.front();
        text = Latin1::text("AnnounceModule", "Module") + QLatin1Char(' ') + Latin1::qstring(m->instanceName());
        if (m->opDescriptor())
            text += QStringLiteral(", ") + Latin1::qstring(m->name());
        text += QStringLiteral(", ") + Latin1::text("AnnounceSelected", "selected");
    } else if (selection.size() > 1) {
        text = QString::number(static_cast<qulonglong>(selection.size())) + QLatin1Char(' ') +
               Latin1::text("AnnounceModulesSelected", "modules selected");
    }
    if (ModuleField::Ptr field = selectedField()) {
        if (!text.isEmpty())
            text += QStringLiteral("; ");
        text += Latin1::text("AnnounceField", "field") + QLatin1Char(' ') + Latin1::qstring(field->name());
        if (const Module* owner = field->parent())
            text += QLatin1Char(' ') + Latin1::text("AnnounceOf", "of") + QLatin1Char(' ') +
                    Latin1::qstring(owner->instanceName());
        if (!field->isOutput()) {
            const std::string value = field->getName(true, false, false, false, true);
            if (!value.empty())
                text += QStringLiteral(": ") + Latin1::qstring(value);
        }
    }
    return text;
}

void GraphicView::announceSelection()
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(this);
    emit announced(iface ? iface->text(QAccessible::Name) : accessibleName());
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    QAccessibleEvent selection(this, QAccessible::Selection);
    QAccessible::updateAccessibility(&selection);
    // A screen reader reads the focused object again when it is told that
    // the focus is there: the new selection is heard at once.
    if (hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

Module* GraphicView::head() const
{
    return patch_ ? patch_->head().get() : nullptr;
}

void GraphicView::setShowMode(int mode)
{
    layout_.setShowMode(mode);
    if (patch_)
        patch_->updateAll(mode);
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
        wanted = wanted.united(module->graphicRect());
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
    Rect r = field.rect();
    invalidateRect(Rect(r.x() - 3, r.y() - 3, r.width() + 6, r.height() + 6));
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
        CompareOverlayPainter::draw(painter, *overlay_, visibleArea());
    // A patch that grew past the frame gets room to scroll to.
    const Point notes = comments_->extent();
    if (std::max(layout.maxX(), notes.x) * magnification_ > width() + 0.5 ||
        std::max(layout.maxY(), notes.y) * magnification_ > height() + 0.5)
        QTimer::singleShot(0, this, [this] { applyFrame(); });
}

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

// ---------------------------------------------------------------- context menu

QMenu* GraphicView::menuForPoint(const Point& point, QWidget* parent)
{
    contextSelection_.reset();
    Module* module = nullptr;
    ModuleField::Ptr wire;
    PatchComment::Ptr comment = patch_ ? CommentPainter::commentAt(patch_->comments(), point) : nullptr;
    if (comment) {
        if (!comments_->isSelected(comment.get()))
            comments_->setSelected({comment});
    } else if (patch_) {
        canvasLayout();
        Module* m = CanvasHitTest::moduleUnderPoint(*patch_, point);
        if (m && m != head() && !m->isTail()) {
            module = m;
            if (!moduleIsSelected(m)) {
                clearSelection();
                selectModule(*m);
                contextSelection_ = m->shared_from_this();
            }
        } else if (!m) {
            wire = wireAt(point);
        }
    }
    if (wire) {
        // The menu acts on the wire under the mouse, whatever was selected.
        clearSelection();
        setSelectedField(nullptr);
        setSelectedWire(wire);
    }
    auto* menu = new QMenu(Latin1::text("MenuOptions", "Options"), parent);
    menu->setObjectName(QStringLiteral("optionsMenu"));
    auto add = [this, menu](CanvasCommand command, const char* name, QString title = {}) {
        const CommandState state = commands_->state(command);
        QAction* action = menu->addAction(title.isEmpty() ? CanvasCommands::defaultTitle(command) : title);
        action->setObjectName(QString::fromLatin1(name));
        action->setEnabled(state.enabled);
        action->setCheckable(state.checkable);
        action->setChecked(state.checked);
        connect(action, &QAction::triggered, this, [this, command] { commands_->perform(command); });
    };
    GraphicWindowController* window = controller_;
    auto addPanel = [this, menu, window](const char* name, const char* key, const char* text) {
        if (!window || !window->hooks().addModule)
            return;
        QAction* action = menu->addAction(Latin1::text(key, text));
        action->setObjectName(QString::fromLatin1(name));
        QPointer<GraphicWindowController> w(window);
        connect(action, &QAction::triggered, this, [w] {
            if (w)
                w->hooks().addModule(*w);
        });
    };
    if (comment) {
        add(CanvasCommand::Cut, "contextCut");
        add(CanvasCommand::Copy, "contextCopy");
        add(CanvasCommand::Delete, "contextDelete");
        QAction* action = menu->addAction(Latin1::text("MenuEditComment", "&Edit Comment"));
        action->setObjectName(QStringLiteral("contextEditComment"));
        std::weak_ptr<PatchComment> weak = comment;
        connect(action, &QAction::triggered, this, [this, weak] {
            if (auto c = weak.lock())
                comments_->edit(c);
        });
        return menu;
    }
    if (wire) {
        add(CanvasCommand::Delete, "contextDeleteConnection",
            Latin1::text("MenuDeleteConnection", "&Delete Connection"));
        addPanel("contextInsertModule", "MenuInsertModule", "&Insert Module...");
        return menu;
    }
    if (module) {
        add(CanvasCommand::Cut, "contextCut");
        add(CanvasCommand::Copy, "contextCopy");
        add(CanvasCommand::Duplicate, "contextDuplicate");
        add(CanvasCommand::Delete, "contextDelete");
        menu->addSeparator();
        add(CanvasCommand::InspectModule, "contextInspectModule");
        if (selectedModules().size() == 1 && CanvasCommands::hasSpecialEditor(*module))
            add(CanvasCommand::EditSpecific, "contextEditSpecific");
        if (window && window->hooks().operatorReference) {
            QAction* action = menu->addAction(Latin1::text("MenuOperatorReference", "&Operator Reference"));
            action->setObjectName(QStringLiteral("contextOperatorReference"));
            QPointer<GraphicWindowController> w(window);
            std::weak_ptr<Module> weak = module->shared_from_this();
            connect(action, &QAction::triggered, this, [w, weak] {
                if (auto m = weak.lock(); m && w)
                    w->hooks().operatorReference(*w, *m);
            });
        }
    } else {
        add(CanvasCommand::Paste, "contextPaste");
        addPanel("contextAddModule", "MenuAddModule", "&Add Module...");
        QAction* note = menu->addAction(CanvasCommands::defaultTitle(CanvasCommand::AddComment));
        note->setObjectName(QStringLiteral("contextAddComment"));
        note->setEnabled(commands_->state(CanvasCommand::AddComment).enabled);
        connect(note, &QAction::triggered, this, [this, point] { comments_->add(point); });
        add(CanvasCommand::SelectAll, "contextSelectAll");
    }
    menu->addSeparator();
    add(CanvasCommand::ShowRuler, "contextShowRuler");
    add(CanvasCommand::ShowGrid, "contextShowGrid");
    add(CanvasCommand::SnapToGrid, "contextSnapToGrid");
    add(CanvasCommand::GridSelected, "contextGridSelected");
    menu->addSeparator();
    add(CanvasCommand::Reposition, "contextReposition");
    add(CanvasCommand::Reorder, "contextReorder");
    menu->addSeparator();
    add(CanvasCommand::SetTitleAndAuthor, "contextSetTitle");
    return menu;
}

void GraphicView::dropContextSelection()
{
    if (auto m = contextSelection_.lock())
        deselectModule(*m);
    contextSelection_.reset();
}

void GraphicView::contextMenuEvent(QContextMenuEvent* event)
{
    if (tracker_->isTracking())
        return;
    QPoint at = event->pos();
    // From the keyboard (the Menu key, Shift+F10) the menu opens on the
    // selection rather than wherever the mouse happens to be.
    const std::vector<Module*> selection = selectedModules();
    if (event->reason() == QContextMenuEvent::Keyboard && !selection.empty())
        at = toWidget(selection.back()->graphicRect()).center();
    std::unique_ptr<QMenu> menu(menuForPoint(canvasPoint(QPointF(at)), this));
    menu->exec(mapToGlobal(at));
    dropContextSelection();
}

// ---------------------------------------------------------------- operator drops

Module* GraphicView::dropTarget(const Point& point, bool* refused)
{
    *refused = false;
    if (!patch_)
        return nullptr;
    canvasLayout();
    Module* m = CanvasHitTest::moduleUnderPoint(*patch_, point);
    if (m == head() && m) {
        *refused = true;
        return nullptr;
    }
    if (m)
        return m;
    const std::vector<Module*> selection = selectedModules();
    return selection.size() == 1 ? selection.front() : head();
}

void GraphicView::dragEnterEvent(QDragEnterEvent* event)
{
    if (patch_ && document_ && event->mimeData()->hasFormat(QString::fromLatin1(OperatorMimeType))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    event->ignore();
}

void GraphicView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!patch_ || !event->mimeData()->hasFormat(QString::fromLatin1(OperatorMimeType))) {
        event->ignore();
        return;
    }
    const Point p = canvasPoint(event->position());
    bool refused = false;
    dropTarget(p, &refused);
    if (refused) {
        setHighlightWire(nullptr);
        event->ignore();
        return;
    }
    setHighlightWire(CanvasHitTest::moduleUnderPoint(*patch_, p) ? nullptr : wireAt(p));
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void GraphicView::dragLeaveEvent(QDragLeaveEvent* event)
{
    setHighlightWire(nullptr);
    QWidget::dragLeaveEvent(event);
}

void GraphicView::dropEvent(QDropEvent* event)
{
    setHighlightWire(nullptr);
    const QByteArray name = event->mimeData()->data(QString::fromLatin1(OperatorMimeType));
    if (name.isEmpty() ||
        !dropOperator(std::string(name.constData(), size_t(name.size())), canvasPoint(event->position()))) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

bool GraphicView::dropOperator(const std::string& operatorName, const Point& point)
{
    bool refused = false;
    Module* target = dropTarget(point, &refused);
    if (refused || !patch_ || !document_ || operatorName.empty())
        return false;
    Point at = point;
    if (grid_.snapsToGrid && grid_.spacing >= 1)
        at = Point{ModuleArrangement::snap(at.x, grid_.spacing), ModuleArrangement::snap(at.y, grid_.spacing)};
    if (!CanvasHitTest::moduleUnderPoint(*patch_, point)) {
        if (ModuleField::Ptr wire = wireAt(point)) {
            UndoGroup event(*document_);
            if (Module::Ptr made = PatchEditor(*document_).insertModuleOnWire(operatorName, wire, at))
                return showMade(made);
        }
    }
    // A module that cannot go into the wire is still placed there.
    insertModuleAt(operatorName, target ? target : head(), point);
    return true;
}

void GraphicView::setHighlightWire(const ModuleField::Ptr& input)
{
    ModuleField::Ptr old = marks_.highlightWire.lock();
    if (old == input)
        return;
    marks_.highlightWire = input;
    for (const auto& f : {old, input})
        if (f && patch_ && f->trueParent())
            invalidateRect(CanvasHitTest::connectedDirtyRect(*patch_, *f->trueParent()));
}

bool GraphicView::insertModule(const std::string& operatorName, Module* after)
{
    if (!document_ || !patch_ || operatorName.empty())
        return false;
    UndoGroup event(*document_);
    PatchEditor editor(*document_);
    if (!selectedModules().empty())
        return showMade(editor.insertModule(operatorName, after));
    canvasLayout();
    // A selected wire takes the module in (Insert Module... of its menu),
    // with the box half-way along it.
    if (ModuleField::Ptr wire = selectedWire(); wire && wire->source()) {
        const Rect a = wire->rect(), b = wire->source()->rect();
        const Point middle{(a.midX() + b.midX()) / 2, (a.midY() + b.midY()) / 2};
        if (Module::Ptr made = editor.insertModuleOnWire(operatorName, wire, middle)) {
            setSelectedWire(nullptr);
            return showMade(made);
        }
    }
    // Nothing to put it beside: it goes where the user is looking, clear
    // of the boxes there and of the head's.
    std::vector<Rect> heads;
    for (const auto& box : layout_.headBoxes())
        heads.push_back(box.rect);
    // Kept off the edges, so that bringing it into sight scrolls nothing.
    const double edge = 8;
    return showMade(
        editor.insertModuleInRoom(operatorName, after, visibleArea().inset(edge, edge), grid_.spacing, heads));
}

bool GraphicView::insertModuleAt(const std::string& operatorName, Module* after, const Point& point)
{
    if (!document_ || !patch_ || operatorName.empty())
        return false;
    Point at = point;
    if (grid_.snapsToGrid && grid_.spacing >= 1)
        at = Point{ModuleArrangement::snap(at.x, grid_.spacing), ModuleArrangement::snap(at.y, grid_.spacing)};
    UndoGroup event(*document_);
    return showMade(PatchEditor(*document_).insertModuleAt(operatorName, after, at));
}

void GraphicView::openQuickAdd(const Point& point)
{
    if (!patch_ || !document_)
        return;
    // A double-click that never had a first press (as some systems send
    // it) still finds the selection.
    if (const std::vector<Module*> selection = selectedModules(); selection.size() == 1)
        selectedBeforeClick_ = selection.front()->shared_from_this();
    if (!quickAdd_)
        quickAdd_ = new CanvasQuickAdd(*this);
    quickAdd_->openAt(point);
}

bool GraphicView::placeFromQuickAdd(const std::string& operatorName, const Point& point, bool wire)
{
    if (!patch_ || !document_ || operatorName.empty())
        return false;
    Module::Ptr before = selectedBeforeClick_.lock();
    if (before && patch_->indexOfModule(before.get()) == ModuleList::npos)
        before.reset();
    Point at = point;
    if (grid_.snapsToGrid && grid_.spacing >= 1)
        at = Point{ModuleArrangement::snap(at.x, grid_.spacing), ModuleArrangement::snap(at.y, grid_.spacing)};
    UndoGroup event(*document_);
    PatchEditor editor(*document_);
    Module::Ptr made = editor.insertModuleAt(operatorName, before ? before.get() : head(), at);
    if (!made)
        return false;
    if (wire && before) {
        auto [output, input] = ConnectionRules::chain(*before, *made);
        if (output && input)
            editor.connectFields(output, input);
    }
    return showMade(made);
}

bool GraphicView::showMade(const std::shared_ptr<Module>& made)
{
    if (!made)
        return false;
    setSelection({made.get()});
    canvasLayout();
    scrollRectToVisible(made->graphicRect());
    return true;
}

// ---------------------------------------------------------------- status

QString GraphicView::describePoint(const Point& point)
{
    if (!patch_)
        return {};
    const CanvasHitTest::Hit hit = CanvasHitTest::hitAt(canvasLayout(), *patch_, head(), point);
    Module* module = hit.module ? hit.module : CanvasHitTest::moduleUnderPoint(*patch_, point);
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
