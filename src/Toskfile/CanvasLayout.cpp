// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/CanvasLayout.h"

#include "Toskfile/Module.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/PatchChange.h"

#include <algorithm>

namespace tosk {

void CanvasLayout::setShowMode(int mode)
{
    showMode_ = mode;
    first_ = true;
}

void CanvasLayout::measure(Module& module)
{
    auto it = measures_.find(&module);
    if (it != measures_.end() && !invalid_.count(&module))
        return;
    const int rows = module.update(showMode_);
    measures_[&module] = Measure{rows, ModuleGeometry::hiddenCount(module)};
}

void CanvasLayout::layOut(const ModuleList& patch, Module* head)
{
    if (first_)
        measures_.clear();
    maxX_ = maxY_ = 0;
    visibleRect_ = Rect();
    for (const auto& module : patch.listOfModules()) {
        if (module.get() == head)
            continue;
        measure(*module);
        if (!isDrawn(*module))
            continue;
        const Rect& g = module->graphicRect();
        visibleRect_ = visibleRect_.united(g);
        maxX_ = std::max(maxX_, g.maxX());
        maxY_ = std::max(maxY_, g.maxY());
    }
    maxX_ = std::max(maxX_, HeadLayout::kBoxWidth) + HeadLayout::kBoxHeight;
    outputsX_ = maxX_;

    headBoxes_.clear();
    if (head) {
        measure(*head);
        headBoxes_ = HeadLayout::layOut(*head, maxX_);
        for (const auto& box : headBoxes_) {
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

int CanvasLayout::rows(const Module& module) const
{
    auto it = measures_.find(&module);
    return it == measures_.end() ? 0 : it->second.rows;
}

int CanvasLayout::hiddenCount(const Module& module) const
{
    auto it = measures_.find(&module);
    return it == measures_.end() ? 0 : it->second.hidden;
}

} // namespace tosk
