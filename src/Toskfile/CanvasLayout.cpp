// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/CanvasLayout.h"

#include "Toskfile/Module.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/PatchChange.h"
#include "database/OperatorEntry.h"

#include <algorithm>

namespace tosk {

void CanvasLayout::setShowMode(int mode)
{
    showMode_ = mode;
    first_ = true;
}

const CanvasLayout::Entry& CanvasLayout::measure(const Module& module)
{
    const size_t at = entryOf_.insert(&module, entries_.size());
    if (at == entries_.size())
        entries_.emplace_back();
    Entry& e = entries_[at];
    if (e.generation == generation_ && !invalid_.count(&module))
        return e;
    ModuleGeometry::layOut(module, showMode_, e.laid);
    e.generation = generation_;
    return e;
}

void CanvasLayout::layOut(const ModuleList& patch, const Module* head)
{
    if (first_) {
        // Entries of modules gone since stay only while they are few.
        if (entries_.empty() || entries_.size() > 2 * patch.moduleCount() + 16) {
            entries_.clear();
            entryOf_.clear(patch.moduleCount() + 1);
        }
        ++generation_;
    }
    head_ = head;
    maxX_ = maxY_ = 0;
    visibleRect_ = Rect();
    drawn_.clear();
    drawn_.reserve(patch.moduleCount());
    headIndex_ = npos;
    bool afterMarker = false;
    const auto& modules = patch.listOfModules();
    for (size_t at = 0; at < modules.size(); ++at) {
        const Module::Ptr& module = modules[at];
        if (at + ModuleTable::kAhead < modules.size())
            entryOf_.prefetch(modules[at + ModuleTable::kAhead].get());
        if (module.get() == head) {
            headIndex_ = at;
            continue;
        }
        if (module->isMarker())
            afterMarker = true;
        const ModuleGeometry::Laid& laid = measure(*module).laid;
        const int rows = laid.rows;
        if (rows <= 0)
            continue;
        const Rect box = ModuleGeometry::box(*module, rows);
        drawn_.push_back({module.get(), box, &laid, at, afterMarker});
        const Rect g = ModuleGeometry::graphicRect(box);
        visibleRect_ = visibleRect_.united(g);
        maxX_ = std::max(maxX_, g.maxX());
        maxY_ = std::max(maxY_, g.maxY());
    }
    maxX_ = std::max(maxX_, HeadLayout::kBoxWidth) + HeadLayout::kBoxHeight;
    outputsX_ = maxX_;

    headBoxes_.clear();
    headRects_.clear();
    if (head) {
        measure(*head);
        headBoxes_ = HeadLayout::layOut(*head, maxX_);
        for (const auto& box : headBoxes_) {
            headRects_[box.field] = box.rect;
            maxX_ = std::max(maxX_, box.rect.maxX());
            maxY_ = std::max(maxY_, box.rect.maxY());
        }
    }
    invalid_.clear();
    first_ = false;
}

void CanvasLayout::patchDidChange(const PatchChange& change)
{
    constexpr unsigned everywhere = PatchChange::Order | PatchChange::Wiring | PatchChange::FieldLists;
    if ((change.aspects & everywhere) || !change.removed.empty() ||
        (change.modules.empty() && change.added.empty() && change.fields.empty())) {
        reset();
        return;
    }
    for (const auto& m : change.modules)
        invalidate(*m);
    for (const auto& m : change.added)
        invalidate(*m);
    for (const auto& f : change.fields)
        if (const Module* top = f->trueParent())
            invalidate(*top);
}

const CanvasLayout::Entry* CanvasLayout::entry(const Module& module) const
{
    const size_t at = entryOf_.find(&module);
    return at == ModuleTable::npos || entries_[at].generation != generation_ ? nullptr : &entries_[at];
}

int CanvasLayout::rows(const Module& module) const
{
    const Entry* e = entry(module);
    return e ? e->laid.rows : 0;
}

int CanvasLayout::hiddenCount(const Module& module) const
{
    const Entry* e = entry(module);
    return e ? e->laid.hidden : 0;
}

Rect CanvasLayout::orderCircle(const Module& module) const
{
    return ModuleGeometry::orderCircle(box(module), module.isHead());
}

const std::vector<ModuleGeometry::Pin>& CanvasLayout::pins(const Module& module) const
{
    static const std::vector<ModuleGeometry::Pin> none;
    const Entry* e = entry(module);
    return e ? e->laid.pins : none;
}

int CanvasLayout::pinRow(const ModuleField& field) const
{
    const Module* top = field.trueParent();
    if (!top)
        return 0;
    for (const auto& pin : pins(*top))
        if (pin.field == &field)
            return pin.row;
    return 0;
}

Rect CanvasLayout::fieldRect(const Module& module, const ModuleGeometry::Laid& laid, const ModuleField& field) const
{
    if (&module == head_) {
        auto it = headRects_.find(&field);
        return it == headRects_.end() ? Rect() : it->second;
    }
    for (const auto& pin : laid.pins)
        if (pin.field == &field)
            return ModuleGeometry::pinRect(ModuleGeometry::box(module, laid.rows), pin.row);
    if (&field == laid.nameField)
        return ModuleGeometry::nameRow(ModuleGeometry::box(module, laid.rows));
    return Rect();
}

Rect CanvasLayout::pinRect(const ModuleField& field) const
{
    const Module* top = field.trueParent();
    if (!top)
        return Rect();
    if (top == head_)
        return fieldRect(*top, ModuleGeometry::Laid{}, field);
    const Entry* e = entry(*top);
    return e ? fieldRect(*top, e->laid, field) : Rect();
}

Module::FieldPtr CanvasLayout::fieldUnderPoint(const Module& module, const Point& point) const
{
    const Entry* e = entry(module);
    if (!e && &module != head_)
        return nullptr;
    const bool head = &module == head_;
    const Rect box = head ? Rect() : ModuleGeometry::box(module, e->laid.rows);
    size_t next = 0;
    for (const auto& f : module.fieldArray()) {
        Rect r;
        if (head) {
            auto it = headRects_.find(f.get());
            if (it != headRects_.end())
                r = it->second;
        } else if (next < e->laid.pins.size() && e->laid.pins[next].field == f.get()) {
            r = ModuleGeometry::pinRect(box, e->laid.pins[next++].row);
        } else if (f.get() == e->laid.nameField) {
            r = ModuleGeometry::nameRow(box);
        }
        if (f->isAlwaysHidden() || f->type() == OperatorEntry::ED_STRING)
            continue;
        if (mouseInRect(point, r, true))
            return f;
    }
    return nullptr;
}

} // namespace tosk
