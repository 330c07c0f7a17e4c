// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/CanvasHitTest.h"

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/Module.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/Wire.h"

namespace tosk {

namespace {

bool holds(const Rect& rect, const Point& point)
{
    return mouseInRect(point, rect, true);
}

} // namespace

Module* CanvasHitTest::moduleUnderPoint(const CanvasLayout& layout, const ModuleList& patch, const Point& point)
{
    const auto& modules = patch.listOfModules();
    for (auto it = modules.rbegin(); it != modules.rend(); ++it)
        if (holds(layout.box(**it), point))
            return it->get();
    return nullptr;
}

Module* CanvasHitTest::moduleNearPoint(const CanvasLayout& layout, const ModuleList& patch, const Point& point)
{
    const auto& modules = patch.listOfModules();
    for (auto it = modules.rbegin(); it != modules.rend(); ++it)
        if (layout.isDrawn(**it) && holds(layout.graphicRect(**it), point))
            return it->get();
    return nullptr;
}

std::vector<Module*> CanvasHitTest::modulesIntersectingRect(const CanvasLayout& layout, const ModuleList& patch,
                                                            const Rect& rect)
{
    std::vector<Module*> found;
    for (const auto& m : patch.listOfModules())
        if (layout.isDrawn(*m) && layout.box(*m).intersects(rect))
            found.push_back(m.get());
    return found;
}

std::vector<Module*> CanvasHitTest::modulesContainedInRect(const CanvasLayout& layout, const ModuleList& patch,
                                                           const Rect& rect)
{
    std::vector<Module*> found;
    for (const auto& m : patch.listOfModules())
        if (layout.isDrawn(*m) && rect.contains(layout.box(*m)))
            found.push_back(m.get());
    return found;
}

Rect CanvasHitTest::boundsForModules(const CanvasLayout& layout, const std::vector<Module*>& modules)
{
    Rect bounds;
    for (const Module* m : modules)
        bounds = bounds.united(layout.graphicRect(*m));
    return bounds;
}

Rect CanvasHitTest::connectedDirtyRect(const CanvasLayout& layout, const ModuleList& patch, const Module& module)
{
    Rect dirty = layout.graphicRect(module);
    for (const auto& pin : layout.pins(module)) {
        const ModuleField* source = pin.field->source().get();
        if (source && !pin.field->isHidden() && !source->isHidden())
            dirty = dirty.united(layout.pinRect(*source));
    }
    for (const auto& other : patch.listOfModules()) {
        if (other.get() == &module)
            continue;
        for (const auto& f : other->fieldArray()) {
            const ModuleField* source = f->source().get();
            if (source && source->trueParent() == &module)
                dirty = dirty.united(layout.pinRect(*f));
        }
    }
    return dirty;
}

CanvasHitTest::Hit CanvasHitTest::hitAt(const CanvasLayout& layout, const ModuleList& patch, Module* head,
                                        const Point& point)
{
    Hit hit;
    if (Module* near = moduleNearPoint(layout, patch, point)) {
        hit.field = layout.fieldUnderPoint(*near, point);
        if (hit.field)
            hit.module = near;
        else if (near == head ? (layout.showMode() & Module::SHOW_ORDER) != 0 : holds(layout.box(*near), point))
            hit.module = near;
        return hit;
    }
    if (head) {
        hit.field = layout.fieldUnderPoint(*head, point);
        if (hit.field)
            hit.module = head;
    }
    return hit;
}

ModuleField::Ptr CanvasHitTest::pinAt(const CanvasLayout& layout, const ModuleList& patch, Module* head,
                                      const Point& point)
{
    return hitAt(layout, patch, head, point).field;
}

Module* CanvasHitTest::orderBadgeAt(const CanvasLayout& layout, const ModuleList& patch, Module* head,
                                    const Point& point)
{
    if (!(layout.showMode() & Module::SHOW_ORDER))
        return nullptr;
    if (head && holds(layout.orderCircle(*head), point))
        return head;
    const auto& modules = patch.listOfModules();
    for (auto it = modules.rbegin(); it != modules.rend(); ++it)
        if (it->get() != head && layout.isDrawn(**it) && holds(layout.orderCircle(**it), point))
            return it->get();
    return nullptr;
}

ModuleField::Ptr CanvasHitTest::wireAt(const CanvasLayout& layout, const Module* head, const Point& point)
{
    const Wire* found = nullptr;
    Wire last;
    Wire::forEach(layout, head, [&](const Wire& wire) {
        if (holds(wire.bounds.inset(-kWireSlop, -kWireSlop), point) && wire.distanceTo(point) <= kWireSlop) {
            last = wire;
            found = &last;
        }
    });
    if (!found)
        return nullptr;
    for (const auto& f : found->module->fieldArray())
        if (f.get() == found->input)
            return f;
    return nullptr;
}

} // namespace tosk
