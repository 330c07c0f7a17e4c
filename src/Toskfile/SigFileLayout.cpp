// SPDX-License-Identifier: GPL-3.0-or-later
// A patch's processing order and layout, and placing modules in it.
#include "Toskfile/SigFile.h"

#include "Toskfile/HeadLayout.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/ModuleLookup.h"
#include "Toskfile/PatchLayout.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFileSupport.h"
#include "base/Localization.h"
#include "database/OperatorDesc.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace tosk {

// ---------------------------------------------------------------- processing order

bool SigFile::reorder()
{
    const List& list = listOfModules_;
    // Each module's place, looked up once per connected input.
    const ModulePlaces places(list);
    auto placeOf = [&places](const Module* m) -> std::optional<size_t> {
        const size_t at = places.of(m);
        return at == ModulePlaces::npos ? std::nullopt : std::optional<size_t>(at);
    };

    // What each module feeds, found in one walk over every input of the
    // patch rather than by asking the whole patch once per module.
    enum : unsigned { FEEDS_USEROBJ = 1, FEEDS_CONTROL = 2, FEEDS_SIGNAL = 4 };
    std::vector<unsigned> feeds(list.size(), 0);
    // The marker is looked for in the same walk: each walk over thousands of
    // modules reads them from memory again.
    size_t markerAt = list.size();
    for (size_t i = 0; i < list.size(); ++i) {
        const Module& m = *list[i];
        if (markerAt == list.size() && m.isMarker())
            markerAt = i;
        for (const auto& f : m.fieldArray()) {
            if (!f->isInput() || !f->source() || !f->source()->parent())
                continue;
            const auto at = placeOf(f->source()->trueParent());
            if (!at)
                continue;
            switch (f->targetType()) {
            case OperatorEntry::USEROBJ:
                feeds[*at] |= FEEDS_USEROBJ;
                break;
            case OperatorEntry::CONTROL:
                feeds[*at] |= FEEDS_CONTROL;
                break;
            case OperatorEntry::SIGNAL:
                feeds[*at] |= FEEDS_SIGNAL;
                break;
            }
        }
    }

    // The new order as places: the modules themselves are moved only once
    // it is complete, without touching their counts.
    std::vector<size_t> order;
    order.reserve(list.size());
    std::vector<bool> moved(list.size(), false);
    const auto headAt = m_Head ? placeOf(m_Head.get()) : std::nullopt;
    if (headAt) {
        order.push_back(*headAt);
        moved[*headAt] = true;
    }
    // Feeding does not change while modules move, so one walk per kind
    // moves everything a repeated walk would.
    for (unsigned kind : {FEEDS_USEROBJ, FEEDS_CONTROL, FEEDS_SIGNAL}) {
        for (size_t i = 0; i < list.size(); ++i) {
            if (!moved[i] && (feeds[i] & kind)) {
                order.push_back(i);
                moved[i] = true;
            }
        }
    }
    // A marker that feeds nothing stays just before the module it preceded.
    if (markerAt + 1 < list.size() && !moved[markerAt]) {
        auto anchor = std::find(order.begin(), order.end(), markerAt + 1);
        if (anchor != order.end())
            order.insert(anchor, markerAt);
        moved[markerAt] = true;
    }

    if (order.size() == list.size()) {
        List reordered;
        reordered.reserve(order.size());
        for (size_t at : order)
            reordered.push_back(std::move(listOfModules_[at]));
        setListOfModules(std::move(reordered));
        return true;
    }
    std::string names;
    for (size_t i = 0; i < list.size(); ++i) {
        if (moved[i] || list[i]->isHead())
            continue;
        if (!names.empty())
            names += ", ";
        names += latin1ToUtf8(operatorLabel(*list[i]) + "-" + std::string(list[i]->instanceName()));
    }
    problems_.add(
        AlertStyle::Critical, "Reorder Error",
        fillIn(localized("UnconnectedModules", "The following modules are not properly connected: %s."), {names}) +
            "\n\n" + localized("PleaseCorrect", "Please correct the problem and try again."),
        {localized("OK", "OK")});
    return false;
}
// ---------------------------------------------------------------- layout

void SigFile::reposition(int showMode)
{
    if (!m_Head)
        return;
    PatchLayout layout(*this, showMode);
    layout.layOut();
    layout.commit();
}

void SigFile::reposition(Module& module, const Rect& rect)
{
    PatchLayout layout(*this);
    layout.place(module, rect);
    layout.commit();
}

namespace {

void walkFrom(SigFile& patch, PatchLayout::Walk kind, Module& module)
{
    PatchLayout layout(patch);
    layout.walk(kind, module);
    layout.commit();
}

} // namespace

void SigFile::repositionModulesWithSignalsFrom(Module& module)
{
    walkFrom(*this, PatchLayout::SignalsFrom, module);
}

void SigFile::repositionModulesWithSignalsTo(Module& module)
{
    walkFrom(*this, PatchLayout::SignalsTo, module);
}

void SigFile::repositionModulesWithControlsFrom(Module& module)
{
    walkFrom(*this, PatchLayout::ControlsFrom, module);
}

void SigFile::repositionModulesWithControlsTo(Module& module)
{
    walkFrom(*this, PatchLayout::ControlsTo, module);
}

void SigFile::repositionUserObjectsFor(Module& module)
{
    walkFrom(*this, PatchLayout::UserObjects, module);
}

ModuleList::List SigFile::modulesConnectedTo(const Module& module, int fieldType) const
{
    PatchLayout layout(*this, PatchLayout::Search::Scan);
    List result;
    for (Module* m : layout.modulesConnectedTo(module, fieldType))
        result.push_back(m->shared_from_this());
    return result;
}

Module::Ptr SigFile::findLowestModule(const Rect& rect) const
{
    Module::Ptr best;
    double bestBottom = 0;
    for (const auto& m : listOfModules_) {
        const Rect r = ModuleGeometry::placedBox(*m, kDefaultShowMode);
        if (r.maxY() > 0 && r.maxX() >= rect.x() && rect.maxX() >= r.x() && (!best || r.maxY() > bestBottom)) {
            best = m;
            bestBottom = r.maxY();
        }
    }
    return best;
}

Module::Ptr SigFile::findRightMostModule() const
{
    Module::Ptr best;
    for (const auto& m : listOfModules_)
        if (m->rect().x() > 0 && (!best || m->rect().x() > best->rect().x()))
            best = m;
    return best ? findLowestModule(ModuleGeometry::placedBox(*best, kDefaultShowMode)) : nullptr;
}

void SigFile::offsetAllModules(double dx, double dy)
{
    offsetSelectedModules(listOfModules_, dx, dy);
}

void SigFile::offsetSelectedModules(const List& modules, double dx, double dy)
{
    for (const auto& m : modules)
        if (m->rect().origin != Point{0, 0} && !m->isHead())
            m->moveBy(Point{dx, dy});
}

bool SigFile::addModuleAfter(Module::Ptr module, const Module& other, bool reposition)
{
    Module* added = module.get();
    if (!ModuleList::addModuleAfter(std::move(module), other, false))
        return false;
    if (reposition) {
        Rect r = other.isPlaced() ? other.rect() : Rect();
        if (!other.isPlaced()) {
            if (&other == m_Head.get()) {
                // Beside the head's first input box, which stands at the
                // left edge whatever the canvas's width.
                for (const auto& box : HeadLayout::layOut(other, 0)) {
                    if (box.field->type() == OperatorEntry::SIGNAL && box.rect.width() > 0) {
                        r = box.rect.offset(box.rect.width(), box.rect.width());
                        break;
                    }
                }
            } else {
                // Where the module stands already.
                r = Rect(added->rect().origin, Size{});
            }
        }
        if (!added->isPlaced())
            added->moveToPosition(
                Point{r.x() + PatchLayout::kInsertOffset * r.width(), r.y() + PatchLayout::kInsertOffset * r.width()});
    }
    added->setDocument(sigDocument_, this);
    return true;
}

bool SigFile::addModules(const List& modules, const Module& after, bool reposition)
{
    bool result = true;
    const Module* previous = &after;
    for (const auto& m : modules) {
        result = addModuleAfter(m, *previous, reposition);
        if (!result)
            break;
        previous = m.get();
    }
    return result;
}

} // namespace tosk
