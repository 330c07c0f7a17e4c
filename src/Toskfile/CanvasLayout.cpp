// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/CanvasLayout.h"

#include "Toskfile/Module.h"
#include "Toskfile/ModuleList.h"

#include <algorithm>

namespace tosk {

void CanvasLayout::layOut(const ModuleList& patch, Module* head)
{
    maxX_ = maxY_ = 0;
    visibleRect_ = Rect();
    for (const auto& module : patch.listOfModules()) {
        if (module.get() == head)
            continue;
        if (first_ || module->updateNeeded())
            module->update(showMode_);
        if (module->height() <= 0)
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
        if (first_ || head->updateNeeded())
            head->update(showMode_);
        headBoxes_ = HeadLayout::layOut(*head, maxX_);
        for (const auto& box : headBoxes_) {
            maxX_ = std::max(maxX_, box.rect.maxX());
            maxY_ = std::max(maxY_, box.rect.maxY());
        }
    }
    first_ = false;
}

} // namespace tosk
