// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ModuleDrag.h"

#include "Toskfile/EditRecord.h"
#include "Toskfile/ModuleArrangement.h"
#include "Toskfile/PatchState.h"
#include "Toskfile/SigFile.h"

#include <cmath>
#include <unordered_set>

namespace tosk {

ModuleDrag::ModuleDrag(SigDocument& document, const std::vector<Module*>& modules, Point press)
    : editor_(document), before_(std::make_unique<PatchState>(editor_.patch())), press_(press)
{
    std::unordered_set<const Module*> inList, taken;
    for (const auto& m : editor_.patch().listOfModules())
        inList.insert(m.get());
    std::vector<Module*> raw;
    for (Module* m : modules) {
        if (!m || !inList.count(m) || !taken.insert(m).second)
            continue;
        modules_.push_back(m->shared_from_this());
        // Moved, a module without a place gets one, with a box's width.
        start_.push_back(Rect(m->rect().origin, Size{Module::kWidth, 0}));
        before_->addBox(modules_.back());
        raw.push_back(m);
    }
    boxes_ = ModuleArrangement::boxBounds(raw);
    bounds_ = ModuleArrangement::graphicBounds(raw);
}

ModuleDrag::~ModuleDrag()
{
    try {
        finish();
    } catch (...) {
        // A destructor lets nothing out; the boxes stay where they are.
    }
}

Point ModuleDrag::dragTo(Point mouse, double snapSpacing)
{
    if (done_ || modules_.empty() || !std::isfinite(mouse.x) || !std::isfinite(mouse.y))
        return offset_;
    if (!started_) {
        if (std::abs(mouse.x - press_.x) <= kThreshold && std::abs(mouse.y - press_.y) <= kThreshold)
            return offset_;
        started_ = true;
    }
    Point d{mouse.x - press_.x, mouse.y - press_.y};
    const bool snapping = snapSpacing >= 1 && std::isfinite(snapSpacing);
    if (snapping) {
        d.x = ModuleArrangement::snap(boxes_.x() + d.x, snapSpacing) - boxes_.x();
        d.y = ModuleArrangement::snap(boxes_.y() + d.y, snapSpacing) - boxes_.y();
    }
    Point allowed = ModuleArrangement::clampOffset(bounds_, d);
    if (snapping) {
        // Cut back onto the grid: the first grid line the bounds allow.
        auto onGrid = [snapSpacing](double cut, double wanted, double box) {
            if (cut == wanted || cut == 0)
                return cut;
            return std::ceil((box + cut) / snapSpacing) * snapSpacing - box;
        };
        allowed = Point{onGrid(allowed.x, d.x, boxes_.x()), onGrid(allowed.y, d.y, boxes_.y())};
    }
    if (allowed != offset_)
        place(allowed);
    return offset_;
}

void ModuleDrag::place(Point offset)
{
    offset_ = offset;
    for (size_t i = 0; i < modules_.size(); ++i)
        modules_[i]->setRect(start_[i].offset(offset.x, offset.y));
    EditRecord::announceLive(editor_.document(), PatchChange::Kind::Move, modules_, PatchChange::Geometry);
}

bool ModuleDrag::finish()
{
    if (done_)
        return false;
    if (offset_ == Point{}) {
        // Back where it started: as if it had never moved.
        cancel();
        return false;
    }
    done_ = true;
    EditRecord::commit(editor_.document(), PatchChange::Kind::Move, "Move", *before_, PatchChange::Geometry);
    return true;
}

void ModuleDrag::cancel()
{
    if (done_)
        return;
    done_ = true;
    if (!started_)
        return;
    // The boxes as they were, with their marks: a module that had no
    // position of its own still has none.
    offset_ = Point{};
    before_->restore();
    EditRecord::announceLive(editor_.document(), PatchChange::Kind::Move, modules_, PatchChange::Geometry);
}

} // namespace tosk
