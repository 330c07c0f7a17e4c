// SPDX-License-Identifier: GPL-3.0-or-later
// PatchEditor's edits of where modules sit and of their processing order.
#include "Toskfile/PatchEditor.h"

#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/PatchState.h"
#include "Toskfile/SigFile.h"

#include <cmath>

namespace tosk {

// ---------------------------------------------------------------- boxes

bool PatchEditor::setBoxes(PatchChange::Kind kind, const std::string& actionName,
                           const std::vector<Module::Ptr>& modules, const std::vector<Rect>& boxes)
{
    // Every box has a box's width: a module moved without a place gets one.
    bool moves = false;
    for (size_t i = 0; i < modules.size(); ++i)
        moves = moves || modules[i]->rect().origin != boxes[i].origin;
    if (!moves)
        return false;
    PatchState before(patch());
    for (const auto& m : modules)
        before.addBox(m);
    for (size_t i = 0; i < modules.size(); ++i)
        modules[i]->setRect(boxes[i]);
    return commit(kind, actionName, before, PatchChange::Geometry);
}

bool PatchEditor::moveModules(const Modules& modules, Point offset)
{
    std::vector<Module::Ptr> moved = members(modules);
    if (moved.empty() || !std::isfinite(offset.x) || !std::isfinite(offset.y))
        return false;
    std::vector<Module*> raw;
    for (const auto& m : moved)
        raw.push_back(m.get());
    const Point d = ModuleArrangement::clampOffset(ModuleArrangement::graphicBounds(raw), offset);
    std::vector<Rect> boxes;
    for (const auto& m : moved)
        boxes.push_back(Rect(m->rect().origin, Size{Module::kWidth, 0}).offset(d.x, d.y));
    return setBoxes(PatchChange::Kind::Move, "Move", moved, boxes);
}

bool PatchEditor::alignModules(const Modules& modules, ModuleArrangement::Edge edge, int showMode)
{
    std::vector<Module::Ptr> lined = members(modules);
    if (lined.size() < 2)
        return false;
    std::vector<Rect> boxes;
    for (const auto& m : lined)
        boxes.push_back(ModuleGeometry::box(*m, ModuleGeometry::measure(*m, showMode).rows));
    static const char* const kNames[] = {"Align Left Edges", "Align Right Edges", "Align Top Edges",
                                         "Align Bottom Edges"};
    return setBoxes(PatchChange::Kind::Align, kNames[static_cast<int>(edge)], lined,
                    ModuleArrangement::aligned(boxes, edge));
}

bool PatchEditor::gridModules(const Modules& modules, double spacing)
{
    // A spacing below a point would divide by (almost) nothing.
    if (!(spacing >= 1) || !std::isfinite(spacing))
        return false;
    std::vector<Module::Ptr> gridded = members(modules);
    if (gridded.size() < 2)
        return false;
    std::vector<Rect> boxes;
    for (const auto& m : gridded)
        boxes.emplace_back(ModuleArrangement::gridOrigin(m->rect(), spacing), Size{Module::kWidth, 0});
    return setBoxes(PatchChange::Kind::Grid, "Grid Selected Graphics", gridded, boxes);
}

bool PatchEditor::reposition(int showMode, bool recordUndo)
{
    SigFile& p = patch();
    if (!p.head())
        return false;
    PatchState before(p);
    for (const auto& m : p.listOfModules())
        before.addBox(m);
    std::vector<Rect> was;
    was.reserve(p.moduleCount());
    for (const auto& m : p.listOfModules())
        was.push_back(m->rect());
    // The layout stacks boxes by their heights, which follow the show mode.
    p.reposition(showMode);
    bool moved = false;
    for (size_t i = 0; i < p.moduleCount() && !moved; ++i)
        moved = p.moduleAtIndex(i)->rect() != was[i];
    if (!moved)
        return false;
    return commit(PatchChange::Kind::Reposition, "Reposition", before, PatchChange::Geometry, nullptr, recordUndo);
}

// ---------------------------------------------------------------- order

bool PatchEditor::reorderModule(Module& module, Module& after)
{
    Module::Ptr moved = inPatch(&module), anchor = inPatch(&after);
    SigFile& p = patch();
    if (!moved || !anchor || moved == anchor || moved == p.head())
        return false;
    if (p.indexOfModule(moved.get()) == p.indexOfModule(anchor.get()) + 1)
        return false;
    PatchState before(p);
    before.addOrder();
    p.moveModule(*moved, *anchor);
    return commit(PatchChange::Kind::ReorderModule, "Reorder Module", before, PatchChange::Order);
}

bool PatchEditor::reorderAll()
{
    SigFile& p = patch();
    PatchState before(p);
    before.addOrder();
    const ModuleList::List was = p.listOfModules();
    if (!p.reorder())
        return false;
    if (p.listOfModules() != was)
        commit(PatchChange::Kind::Reorder, "Reorder SigFile", before, PatchChange::Order);
    return true;
}

} // namespace tosk
