// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CanvasTracker.h"

#include "Toskfile/CanvasHitTest.h"
#include "Toskfile/ConnectionRules.h"
#include "Toskfile/HeadLayout.h"
#include "Toskfile/ModuleDrag.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "Toskfile/Wire.h"
#include "base/Alerts.h"
#include "base/Localization.h"
#include "canvas/CanvasCommands.h"
#include "canvas/GraphicView.h"

#include <QApplication>
#include <QCursor>

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace tosk {

namespace {

// The rect two points span.
Rect spanned(const Point& a, const Point& b)
{
    return Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(a.x - b.x), std::abs(a.y - b.y));
}

// A rect grown by d on every side (a line or dot drawn along its edges).
Rect grown(const Rect& r, double d)
{
    return Rect(r.x() - d, r.y() - d, r.width() + 2 * d, r.height() + 2 * d);
}

// Canvas growth when a drag passes the frame's right or bottom edge.
constexpr double kGrowWidth = 160;
constexpr double kGrowHeight = 320;

void informationalAlert(const char* key, const char* text, const GraphicView& view)
{
    Alerts::show(AlertStyle::Informational, localized("ALERT", "ALERT"), localized(key, text) + "\n",
                 {localized("OK", "OK")}, static_cast<const QWidget*>(view.window()));
}

} // namespace

CanvasTracker::CanvasTracker(GraphicView& view) : view_(view) {}

CanvasTracker::~CanvasTracker() = default;

bool CanvasTracker::optionHeld(Qt::KeyboardModifiers keys)
{
    return keys & (Qt::AltModifier | Qt::ControlModifier);
}

GestureKeys CanvasTracker::gestureKeys(Qt::KeyboardModifiers keys)
{
    GestureKeys g;
    g.shift = keys & Qt::ShiftModifier;
    g.option = optionHeld(keys);
    return g;
}

// ---------------------------------------------------------------- press

void CanvasTracker::press(const Point& point, Qt::KeyboardModifiers keys, int clickCount)
{
    SigFile* patch = view_.sigFile();
    if (!patch)
        return;
    // A release we never saw (the button let go elsewhere) ends the gesture.
    if (isTracking())
        cancel();
    mode_ = Mode::Idle;
    if (ModuleField::Ptr old = view_.selectedField())
        view_.setSelectedField(nullptr);
    view_.setSelectedWire(nullptr);

    Module* head = view_.head();
    const CanvasHitTest::Hit hit = CanvasHitTest::hitAt(view_.canvasLayout(), *patch, head, point);
    pressPoint_ = point;
    if (clickCount > 1) {
        if (hit.module && hit.module != head && !hit.module->isTail())
            doubleClick(point, hit.module, hit.field);
        else if (!hit.field && !hit.module)
            view_.openQuickAdd(point);
        else if (!hit.field)
            selectAndTrack(point, keys, hit.module, hit.field);
        else
            doubleClick(point, hit.module, hit.field);
        return;
    }
    selectAndTrack(point, keys, hit.module, hit.field);
}

void CanvasTracker::selectAndTrack(const Point& point, Qt::KeyboardModifiers keys, Module* module,
                                   const ModuleField::Ptr& field)
{
    const size_t selectedBefore = view_.selectedModules().size();
    const bool shift = keys & Qt::ShiftModifier, option = optionHeld(keys);
    // A band with Option takes away from the selection: it must find one.
    const bool deselectingBand = !module && option;
    if (!shift && !deselectingBand && !(module && view_.moduleIsSelected(module)))
        view_.clearSelection();
    view_.setSelectedField(nullptr);

    if (!module) {
        startRubberband(point, option);
        return;
    }
    if (shift && !option) {
        if (field && field->type() != OperatorEntry::ED_STRING && selectedBefore == 0) {
            startConnection(point, field);
        } else if (view_.moduleIsSelected(module)) {
            view_.deselectModule(*module);
            mode_ = Mode::WaitForRelease;
        } else {
            view_.selectModule(*module);
            startModuleDrag(point);
        }
        return;
    }
    if (!field) {
        if ((view_.showMode() & Module::SHOW_ORDER) &&
            mouseInRect(point, view_.lastLayout().orderCircle(*module), true)) {
            view_.clearSelection();
            startOrderDrag(point, *module);
        } else {
            view_.selectModule(*module);
            startModuleDrag(point);
        }
    } else if (field->type() == OperatorEntry::ED_STRING) {
        view_.selectModule(*module);
        startModuleDrag(point);
    } else {
        view_.deselectModule(*module);
        startConnection(point, field);
    }
}

void CanvasTracker::doubleClick(const Point& point, Module* module, const ModuleField::Ptr& field)
{
    if (!field) {
        // The name row of a module wired outside its group cannot be renamed.
        Module::FieldPtr name = module->opstartNameField();
        if (name && name->isWP() && mouseInRect(point, view_.lastLayout().nameRowRect(*module), true)) {
            informationalAlert("NoRenameExt", "Cannot rename module with external inputs or outputs.", view_);
            return;
        }
        if (module == view_.head() || module->isTail())
            return;
        view_.setSelection({module});
        view_.commands().perform(CanvasCommand::InspectModule);
        return;
    }
    switch (field->type()) {
    case OperatorEntry::ED_INT:
    case OperatorEntry::ED_LONG:
    case OperatorEntry::ED_FIXED:
    case OperatorEntry::ED_FLOAT:
        if (field->numIterations() != 0)
            informationalAlert("UseAddRepeat", "Use Add Repeating Field to change this.", view_);
        break;
    case OperatorEntry::ED_CONTROL:
    case OperatorEntry::ED_SIGNAL:
    case OperatorEntry::ED_USEROBJ:
        if (field->isWP())
            informationalAlert("NoChangeExt", "Cannot change external inputs.", view_);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- move and release

void CanvasTracker::move(const Point& point, Qt::KeyboardModifiers keys)
{
    switch (mode_) {
    case Mode::ModuleDrag:
        moveModules(point);
        break;
    case Mode::RubberBand:
        moveRubberband(point);
        break;
    case Mode::ConnectionDrag:
        moveConnection(point, keys);
        break;
    case Mode::OrderDrag:
        moveOrderPoint(point);
        break;
    case Mode::Idle:
    case Mode::WaitForRelease:
        break;
    }
}

void CanvasTracker::release(const Point& point, Qt::KeyboardModifiers keys)
{
    const Mode mode = mode_;
    // Whatever the release does is one undo step.
    std::unique_ptr<UndoGroup> event;
    if (view_.sigDocument())
        event = std::make_unique<UndoGroup>(*view_.sigDocument());
    switch (mode) {
    case Mode::ModuleDrag:
        moveModules(point);
        endModuleDrag();
        break;
    case Mode::RubberBand:
        moveRubberband(point);
        endRubberband();
        // A click that never moved picks the wire under it.
        if (point == pressPoint_ && !(keys & Qt::ShiftModifier) && !optionHeld(keys))
            view_.setSelectedWire(view_.wireAt(point));
        break;
    case Mode::ConnectionDrag:
        endConnection(point, keys);
        break;
    case Mode::OrderDrag:
        endOrderDrag(point);
        break;
    case Mode::Idle:
    case Mode::WaitForRelease:
        break;
    }
    mode_ = Mode::Idle;
}

void CanvasTracker::cancel()
{
    switch (mode_) {
    case Mode::ModuleDrag:
        if (drag_) {
            const Rect before = movingArea();
            drag_->cancel();
            drag_.reset();
            view_.invalidateRect(before.united(movingArea()));
        }
        dragged_.clear();
        draggedWires_.clear();
        view_.stopEchoingMoveToRulers();
        emit view_.draggedBoundsChanged(Rect());
        break;
    case Mode::RubberBand: {
        view_.invalidateRect(grown(view_.marks().rubberbandRect, 2));
        for (Module* m : bandModules_)
            view_.invalidateModule(*m);
        bandModules_.clear();
        view_.marks().rubberbandModules.clear();
        view_.marks().rubberbandRect = Rect();
        break;
    }
    case Mode::ConnectionDrag:
        clearConnectionMarks();
        view_.setSelectedField(nullptr);
        break;
    case Mode::OrderDrag:
        QApplication::restoreOverrideCursor();
        view_.invalidateRect(orderArea_);
        setHighlightModule(nullptr);
        view_.marks().orderConnectionPoint = Point{};
        view_.marks().orderSourceModule.reset();
        break;
    case Mode::Idle:
    case Mode::WaitForRelease:
        return;
    }
    mode_ = Mode::WaitForRelease;
}

// ---------------------------------------------------------------- module drag

void CanvasTracker::startModuleDrag(const Point& point)
{
    view_.marks().fieldConnectionPoint = Point{};
    view_.marks().orderConnectionPoint = Point{};
    mode_ = Mode::ModuleDrag;
    dragged_ = view_.selectedModules();
    dragOffset_ = Point{};
    draggedWires_.clear();
    if (!view_.sigDocument() || dragged_.empty())
        return;
    drag_ = std::make_unique<ModuleDrag>(*view_.sigDocument(), dragged_, point);
    view_.beginEchoingMoveToRulers(CanvasHitTest::boundsForModules(view_.lastLayout(), dragged_));
    // The patch stays as it is while the button is down: the wires that
    // move with the modules are found once, not at every step.
    std::unordered_set<const Module*> moving(dragged_.begin(), dragged_.end());
    for (const auto& module : view_.sigFile()->listOfModules()) {
        const bool movingModule = moving.count(module.get()) != 0;
        for (const auto& field : module->fieldArray()) {
            const ModuleField::Ptr& source = field->source();
            if (source && (movingModule || moving.count(source->trueParent())))
                draggedWires_.emplace_back(field, source);
        }
    }
}

Rect CanvasTracker::movingArea() const
{
    const CanvasLayout& layout = view_.lastLayout();
    Rect area;
    for (const Module* m : dragged_)
        area = area.united(layout.graphicRect(*m));
    for (const auto& [input, source] : draggedWires_) {
        const Module* module = input->trueParent();
        if (!module || !layout.isDrawn(*module) || layout.pinRow(*input) == 0)
            continue;
        const Rect from = layout.pinRect(*source);
        if (from.width() == 0)
            continue;
        area = area.united(Wire::between(layout.pinRect(*input), from).bounds);
    }
    return area;
}

void CanvasTracker::moveModules(const Point& point)
{
    if (!drag_)
        return;
    const Point was = drag_->offset();
    const double outputs = view_.outputsX();
    const Rect oldBounds = CanvasHitTest::boundsForModules(view_.lastLayout(), dragged_);
    const Rect oldArea = movingArea();
    const GridSettings& grid = view_.gridSettings();
    drag_->dragTo(point, grid.snapsToGrid ? grid.spacing : 0);
    const Point now = drag_->offset();
    if (now == was)
        return;
    view_.marks().rubberbandRect = Rect();
    dragOffset_ = now;

    const Rect bounds = CanvasHitTest::boundsForModules(view_.lastLayout(), dragged_);
    QSizeF frame = view_.frameSize();
    bool grew = false;
    if (bounds.maxX() > frame.width()) {
        frame.setWidth(frame.width() + kGrowWidth);
        grew = true;
    }
    if (bounds.maxY() > frame.height()) {
        frame.setHeight(frame.height() + kGrowHeight);
        grew = true;
    }
    if (grew)
        view_.setFrameSize(frame);
    // The head's outputs stand right of the right-most module: when that
    // moved, they move too, and so do the wires into them from modules
    // that stay.
    const double reach = HeadLayout::kBoxHeight;
    if (bounds.maxX() + reach > outputs || oldBounds.maxX() + reach >= outputs)
        view_.update();
    else
        view_.invalidateRect(oldArea.united(movingArea()));
    view_.continueEchoingMoveToRulers(bounds);
    emit view_.draggedBoundsChanged(bounds);
}

void CanvasTracker::endModuleDrag()
{
    // Only a drag that moved the boxes takes the pastes after it along.
    if (drag_ && drag_->finish())
        view_.commands().noteDragStep(drag_->offset());
    drag_.reset();
    dragged_.clear();
    draggedWires_.clear();
    view_.stopEchoingMoveToRulers();
    emit view_.draggedBoundsChanged(Rect());
}

// ---------------------------------------------------------------- rubber band

void CanvasTracker::startRubberband(const Point& point, bool deselecting)
{
    mode_ = Mode::RubberBand;
    bandModules_.clear();
    CanvasMarks& marks = view_.marks();
    marks.fieldConnectionPoint = Point{};
    marks.orderConnectionPoint = Point{};
    marks.rubberbandRect = Rect();
    marks.rubberbandModules.clear();
    marks.rubberbandIsDeselecting = deselecting;
    pressPoint_ = point;
}

void CanvasTracker::moveRubberband(const Point& point)
{
    CanvasMarks& marks = view_.marks();
    const Rect band = point == pressPoint_ ? Rect() : spanned(pressPoint_, point);
    if (band == marks.rubberbandRect)
        return;
    std::vector<Module*> inside;
    if (!band.isEmpty() && view_.sigFile()) {
        for (Module* m : CanvasHitTest::modulesContainedInRect(view_.canvasLayout(), *view_.sigFile(), band))
            if (m != view_.head() && !m->isTail())
                inside.push_back(m);
    }
    std::sort(inside.begin(), inside.end());
    std::vector<Module*> changed;
    std::set_symmetric_difference(bandModules_.begin(), bandModules_.end(), inside.begin(), inside.end(),
                                  std::back_inserter(changed));

    // Only the band's lines, old and new, are painted again, and the
    // modules that entered or left it.
    auto frame = [this](const Rect& r) {
        if (r.isEmpty())
            return QRegion();
        const QRect outer = view_.toWidget(grown(r, 1));
        const QRect inner = view_.toWidget(grown(r, -1)).adjusted(4, 4, -4, -4);
        return inner.isValid() ? QRegion(outer).subtracted(QRegion(inner)) : QRegion(outer);
    };
    QRegion dirty = frame(marks.rubberbandRect).united(frame(band));
    if (changed.size() > 64) {
        dirty += view_.toWidget(marks.rubberbandRect.united(band));
    } else {
        for (Module* m : changed)
            dirty += view_.toWidget(view_.lastLayout().graphicRect(*m));
    }
    marks.rubberbandRect = band;
    bandModules_ = std::move(inside);
    marks.rubberbandModules.assign(bandModules_.size(), {});
    for (size_t i = 0; i < bandModules_.size(); ++i)
        marks.rubberbandModules[i] = bandModules_[i]->shared_from_this();
    view_.update(dirty);
}

void CanvasTracker::endRubberband()
{
    CanvasMarks& marks = view_.marks();
    std::vector<Module*> selection = view_.selectedModules();
    if (marks.rubberbandIsDeselecting) {
        std::erase_if(selection,
                      [this](Module* m) { return std::binary_search(bandModules_.begin(), bandModules_.end(), m); });
    } else {
        std::vector<Module*> sorted = selection;
        std::sort(sorted.begin(), sorted.end());
        // Added in the patch's order, after what was selected before.
        for (const auto& m : view_.sigFile()->listOfModules())
            if (std::binary_search(bandModules_.begin(), bandModules_.end(), m.get()) &&
                !std::binary_search(sorted.begin(), sorted.end(), m.get()))
                selection.push_back(m.get());
    }
    view_.invalidateRect(grown(marks.rubberbandRect, 2));
    marks.rubberbandRect = Rect();
    marks.rubberbandModules.clear();
    bandModules_.clear();
    view_.setSelection(selection);
}

} // namespace tosk
