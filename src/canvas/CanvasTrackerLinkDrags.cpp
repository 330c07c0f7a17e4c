// SPDX-License-Identifier: GPL-3.0-or-later
// CanvasTracker's drags that link modules: a wire from a pin, and the processing order from a module's badge.
#include "canvas/CanvasTracker.h"

#include "Toskfile/CanvasHitTest.h"
#include "Toskfile/CanvasLayout.h"
#include "Toskfile/ConnectionRules.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/Alerts.h"
#include "canvas/GraphicView.h"

#include <QApplication>

#include <algorithm>
#include <cmath>

namespace tosk {

namespace {

// The rect two points span.
Rect spanned(const Point& a, const Point& b)
{
    return Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(a.x - b.x), std::abs(a.y - b.y));
}

Point centre(const Rect& r)
{
    return Point{r.midX(), r.midY()};
}

// A rect grown by d on every side (a line or dot drawn along its edges).
Rect grown(const Rect& r, double d)
{
    return Rect(r.x() - d, r.y() - d, r.width() + 2 * d, r.height() + 2 * d);
}

constexpr double kConnectionDot = 40.0 / 7;
constexpr double kOrderBadge = 32;

} // namespace

// ---------------------------------------------------------------- connection drag

void CanvasTracker::startConnection(const Point& point, const ModuleField::Ptr& field)
{
    mode_ = Mode::ConnectionDrag;
    view_.marks().fieldConnectionPoint = Point{};
    view_.marks().orderConnectionPoint = Point{};
    view_.setSelectedField(field);
    connectionArea_ = Rect();
    pressPoint_ = point;
}

ModuleField::Ptr CanvasTracker::pinAt(const Point& point) const
{
    SigFile* patch = view_.sigFile();
    Module* head = view_.head();
    const CanvasLayout& layout = view_.canvasLayout();
    Module* near = CanvasHitTest::moduleNearPoint(layout, *patch, point);
    if (!near)
        near = head;
    return near ? layout.fieldUnderPoint(*near, point) : nullptr;
}

void CanvasTracker::setHighlightField(const ModuleField::Ptr& field)
{
    ModuleField::Ptr old = view_.marks().highlightField.lock();
    if (old == field)
        return;
    view_.marks().highlightField = field;
    if (old)
        view_.invalidateField(*old);
    if (field)
        view_.invalidateField(*field);
}

void CanvasTracker::moveConnection(const Point& point, Qt::KeyboardModifiers keys)
{
    ModuleField::Ptr from = view_.selectedField();
    if (!from)
        return;
    ModuleField::Ptr target = pinAt(point);
    if (target && !ConnectionRules::accepts(*view_.sigFile(), from, target, gestureKeys(keys)))
        target = nullptr;
    setHighlightField(target);

    Rect area = spanned(centre(view_.lastLayout().pinRect(*from)), point);
    area = grown(area, kConnectionDot / 2 + 1);
    if (area == connectionArea_)
        return;
    view_.invalidateRect(connectionArea_);
    view_.marks().fieldConnectionPoint = point;
    connectionArea_ = area;
    view_.invalidateRect(area);
}

void CanvasTracker::clearConnectionMarks()
{
    setHighlightField(nullptr);
    view_.invalidateRect(connectionArea_);
    connectionArea_ = Rect();
    view_.marks().fieldConnectionPoint = Point{};
}

void CanvasTracker::endConnection(const Point& point, Qt::KeyboardModifiers keys)
{
    ModuleField::Ptr from = view_.selectedField();
    clearConnectionMarks();
    if (!from)
        return;
    // Pressed and released on the pin: the pin stays selected.
    if (mouseInRect(point, view_.lastLayout().pinRect(*from), true)) {
        view_.invalidateField(*from);
        return;
    }
    view_.setSelectedField(nullptr);
    ModuleField::Ptr target = pinAt(point);
    // The Shift rule comes first: it takes the pin's partner, which need
    // not be of a kind the pin itself is.
    if (!view_.sigDocument() || !ConnectionRules::accepts(*view_.sigFile(), from, target, gestureKeys(keys)))
        return;
    Problems refusals;
    PatchEditor(*view_.sigDocument()).connectGesture(from, target, gestureKeys(keys), &refusals);
    Alerts::show(refusals, static_cast<const QWidget*>(view_.window()));
}

// ---------------------------------------------------------------- order drag

void CanvasTracker::startOrderDrag(const Point& point, Module& source)
{
    mode_ = Mode::OrderDrag;
    CanvasMarks& marks = view_.marks();
    marks.fieldConnectionPoint = Point{};
    marks.orderConnectionPoint = Point{};
    marks.orderSourceModule = source.shared_from_this();
    orderArea_ = Rect();
    pressPoint_ = point;
    QApplication::setOverrideCursor(Qt::BlankCursor);
}

Module* CanvasTracker::orderTargetAt(const Point& point) const
{
    Module* source = view_.marks().orderSourceModule.lock().get();
    const CanvasLayout& layout = view_.canvasLayout();
    Module* t = CanvasHitTest::moduleUnderPoint(layout, *view_.sigFile(), point);
    if (!t || t == source || t == view_.head() || !mouseInRect(point, layout.orderCircle(*t), true))
        return nullptr;
    return t;
}

void CanvasTracker::setHighlightModule(Module* module)
{
    std::shared_ptr<Module> old = view_.marks().highlightModule.lock();
    if (old.get() == module)
        return;
    if (module)
        view_.marks().highlightModule = module->shared_from_this();
    else
        view_.marks().highlightModule.reset();
    if (old)
        view_.invalidateModule(*old);
    if (module)
        view_.invalidateModule(*module);
}

void CanvasTracker::moveOrderPoint(const Point& point)
{
    std::shared_ptr<Module> source = view_.marks().orderSourceModule.lock();
    if (!source)
        return;
    const Rect circle = view_.lastLayout().orderCircle(*source);
    Rect area = spanned(centre(circle), point);
    area = grown(area, kOrderBadge / 2 + 2).united(circle);
    view_.invalidateRect(orderArea_);
    view_.marks().orderConnectionPoint = point;
    orderArea_ = area;
    view_.invalidateRect(area);
    setHighlightModule(orderTargetAt(point));
}

void CanvasTracker::endOrderDrag(const Point& point)
{
    QApplication::restoreOverrideCursor();
    std::shared_ptr<Module> source = view_.marks().orderSourceModule.lock();
    Module* target = source ? orderTargetAt(point) : nullptr;
    setHighlightModule(nullptr);
    view_.invalidateRect(orderArea_);
    orderArea_ = Rect();
    view_.marks().orderConnectionPoint = Point{};
    view_.marks().orderSourceModule.reset();
    if (target && view_.sigDocument())
        PatchEditor(*view_.sigDocument()).reorderModule(*target, *source);
}

} // namespace tosk
