// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CanvasMarks.h"

#include "Toskfile/Module.h"

#include <algorithm>

namespace tosk {

std::vector<Module*> CanvasMarks::selection() const
{
    std::vector<Module*> live;
    for (const auto& weak : selectedModules)
        if (auto module = weak.lock())
            live.push_back(module.get());
    return live;
}

void CanvasMarks::forget(const Module& module)
{
    auto gone = [&module](const std::weak_ptr<Module>& weak) {
        auto m = weak.lock();
        return !m || m.get() == &module;
    };
    auto fieldGone = [&module](const std::weak_ptr<ModuleField>& weak) {
        auto f = weak.lock();
        return !f || f->parent() == &module || f->trueParent() == &module; // a group's pins are its members'
    };
    std::erase_if(selectedModules, gone);
    std::erase_if(rubberbandModules, gone);
    if (gone(highlightModule))
        highlightModule.reset();
    if (gone(orderSourceModule))
        orderSourceModule.reset();
    if (fieldGone(selectedField))
        selectedField.reset();
    if (fieldGone(highlightField))
        highlightField.reset();
    if (fieldGone(selectedWire))
        selectedWire.reset();
    if (fieldGone(highlightWire))
        highlightWire.reset();
}

bool CanvasMarks::refersTo(const Module& module) const
{
    auto is = [&module](const std::weak_ptr<Module>& weak) { return weak.lock().get() == &module; };
    auto isField = [&module](const std::weak_ptr<ModuleField>& weak) {
        auto f = weak.lock();
        return f && (f->parent() == &module || f->trueParent() == &module);
    };
    return std::any_of(selectedModules.begin(), selectedModules.end(), is) || is(highlightModule) ||
           is(orderSourceModule) || isField(selectedField) || isField(highlightField) || isField(selectedWire) ||
           isField(highlightWire);
}

void CanvasMarks::forgetRemovedFields()
{
    for (auto* weak : {&selectedField, &highlightField, &selectedWire, &highlightWire}) {
        auto f = weak->lock();
        const Module* top = f ? f->trueParent() : nullptr;
        if (f && (!top || !top->containsField(f.get())))
            weak->reset();
    }
}

CanvasMarks::Shown::Shown(const CanvasMarks& marks)
    : selectedField(marks.selectedField.lock()), highlightField(marks.highlightField.lock()),
      highlightModule(marks.highlightModule.lock()), orderSourceModule(marks.orderSourceModule.lock()),
      selectedWire(marks.selectedWire.lock()), highlightWire(marks.highlightWire.lock()),
      fieldConnectionPoint(marks.fieldConnectionPoint), orderConnectionPoint(marks.orderConnectionPoint),
      rubberbandRect(marks.rubberbandRect), bandDeselects_(marks.rubberbandIsDeselecting)
{
    for (const auto& weak : marks.selectedModules)
        if (auto module = weak.lock()) {
            selected_.push_back(module.get());
            selectedModules.push_back(std::move(module));
        }
    for (const auto& weak : marks.rubberbandModules)
        if (auto module = weak.lock())
            inBand_.push_back(module.get());
    for (const auto& [consumer, feeder] : marks.orderWarnings)
        for (const auto& weak : {consumer, feeder})
            if (auto module = weak.lock())
                orderWarned_.push_back(module.get());
    std::sort(selected_.begin(), selected_.end());
    std::sort(inBand_.begin(), inBand_.end());
}

bool CanvasMarks::Shown::warnsOrder(const Module* module) const
{
    return std::find(orderWarned_.begin(), orderWarned_.end(), module) != orderWarned_.end();
}

bool CanvasMarks::Shown::isSelected(const Module* module) const
{
    if (std::binary_search(inBand_.begin(), inBand_.end(), module))
        return !bandDeselects_;
    return std::binary_search(selected_.begin(), selected_.end(), module);
}

} // namespace tosk
