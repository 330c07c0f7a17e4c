// SPDX-License-Identifier: GPL-3.0-or-later
// PatchEditor's edits that add, delete, paste and duplicate modules.
#include "Toskfile/PatchEditor.h"

#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/PasteReader.h"
#include "Toskfile/PatchState.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/TextCase.h"
#include "base/TkxException.h"
#include "database/SigDbase.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace tosk {

// ---------------------------------------------------------------- modules

Module::Ptr PatchEditor::insertModule(const std::string& operatorName, Module* anchor)
{
    return insertPlaced(operatorName, anchor, {});
}

Module::Ptr PatchEditor::insertModuleAt(const std::string& operatorName, Module* anchor, Point origin)
{
    if (!std::isfinite(origin.x) || !std::isfinite(origin.y))
        return nullptr;
    return insertPlaced(operatorName, anchor, [origin](Module& m) {
        const Rect box(origin, m.rect().size);
        const Rect g = ModuleGeometry::graphicRect(box);
        const double k = ModuleArrangement::kMinOrigin;
        m.setRect(box.offset(std::max(0.0, k - g.x()), std::max(0.0, k - g.y())));
    });
}

Module::Ptr PatchEditor::insertModuleInRoom(const std::string& operatorName, Module* anchor, const Rect& area,
                                            double step, const std::vector<Rect>& alsoTaken, int showMode)
{
    std::vector<Rect> taken = alsoTaken;
    for (const auto& m : patch().listOfModules()) {
        const int rows = ModuleGeometry::measure(*m, showMode).rows;
        const Rect g = ModuleGeometry::graphicRect(ModuleGeometry::box(*m, rows));
        if (rows > 0 && !g.isEmpty())
            taken.push_back(g);
    }
    return insertPlaced(operatorName, anchor, [&](Module& m) {
        // The new box is as tall as a new window shows it.
        const Size size{Module::kWidth,
                        Module::kRowHeight * ModuleGeometry::measure(m, SigFile::kDefaultShowMode).rows};
        m.setRect(Rect(ModuleArrangement::freeOrigin(taken, area, size, step), size));
    });
}

Module::Ptr PatchEditor::makeModule(const std::string& operatorName) const
{
    SigFile& p = patch();
    const std::shared_ptr<SigDbase>& db = p.sigDbase();
    if (!db || !db->operatorForName(operatorName))
        return nullptr;
    Module::Ptr module;
    try {
        module = Module::moduleNamed(operatorName, std::optional<std::string>("instname"), db);
    } catch (const TkxException&) {
        return nullptr;
    }
    // A second head or tail would not be the patch's.
    if (module->isComment() || module->isHead() || module->isTail() || !module->opstartNameField())
        return nullptr;
    module->setInstanceName(lowerCased(module->name()));
    p.makeNamesUniqueIgnoringCase({module});
    return module;
}

void PatchEditor::addMade(const Module::Ptr& module, const Module::Ptr& after)
{
    SigFile& p = patch();
    if (after) {
        p.addModuleAfter(module, *after, true);
    } else {
        p.addModule(module);
        module->setDocument(document_, &p);
    }
}

Module::Ptr PatchEditor::insertPlaced(const std::string& operatorName, Module* anchor,
                                      const std::function<void(Module&)>& place)
{
    SigFile& p = patch();
    Module::Ptr after = anchor ? inPatch(anchor) : (p.moduleCount() ? p.listOfModules().back() : nullptr);
    if (anchor && !after)
        return nullptr;
    Module::Ptr module = makeModule(operatorName);
    if (!module)
        return nullptr;
    PatchState before(p);
    before.addOrder();
    addMade(module, after);
    if (place)
        place(*module);
    commit(PatchChange::Kind::Insert, "Add Module", before, PatchChange::Order | PatchChange::Geometry);
    return module;
}

Module::Ptr PatchEditor::insertModuleOnWire(const std::string& operatorName, const Module::FieldPtr& input,
                                            Point origin)
{
    if (!input || !input->isInput() || input->isWP() || !topOf(*input) || !std::isfinite(origin.x) ||
        !std::isfinite(origin.y))
        return nullptr;
    const Module::FieldPtr source = input->source();
    Module::Ptr after = source ? topOf(*source) : nullptr;
    if (!after)
        return nullptr;
    Module::Ptr module = makeModule(operatorName);
    if (!module)
        return nullptr;
    Module::FieldPtr in, out;
    for (const auto& f : module->fieldArray()) {
        if (f->isInvisible())
            continue;
        if (!in && f->isInput() && !f->isWP() && ConnectionRules::canFeed(*source, *f))
            in = f;
        if (!out && f->isOutput() && ConnectionRules::canFeed(*f, *input))
            out = f;
    }
    if (!in || !out)
        return nullptr;

    SigFile& p = patch();
    PatchState before(p);
    before.addOrder();
    before.addField(input);
    before.addModule(after); // an interface module takes the input's limits
    addMade(module, after);
    const Rect box(origin, module->rect().size);
    const Rect g = ModuleGeometry::graphicRect(box);
    const double k = ModuleArrangement::kMinOrigin;
    module->setRect(box.offset(std::max(0.0, k - g.x()), std::max(0.0, k - g.y())));
    p.connect(*in, source, true, true);
    p.connect(*input, out, true, true);
    commit(PatchChange::Kind::InsertOnWire, "Insert Module", before,
           PatchChange::Order | PatchChange::Geometry | PatchChange::Wiring | PatchChange::Values);
    return module;
}

bool PatchEditor::deleteModules(const Modules& modules, const std::string& actionName)
{
    std::vector<Module::Ptr> doomed = members(modules);
    SigFile& p = patch();
    // The head stays whatever else goes.
    std::erase(doomed, p.head());
    if (doomed.empty())
        return false;
    std::unordered_set<const Module*> going;
    std::vector<Module*> raw;
    for (const auto& m : doomed) {
        going.insert(m.get());
        raw.push_back(m.get());
    }
    PatchState before(p);
    before.addOrder();
    for (const auto& m : doomed)
        for (const auto& f : m->fieldArray())
            if (f->source())
                before.addField(f);
    before.addInputsFedBy(raw);

    // Every wire in and out goes: their own inputs, and the inputs they feed.
    for (const auto& f : before.fields())
        if (f->isInput())
            p.connect(*f, nullptr, false, true);
    ModuleList::List kept;
    kept.reserve(p.moduleCount());
    for (const auto& m : p.listOfModules())
        if (!going.count(m.get()))
            kept.push_back(m);
    p.setListOfModules(std::move(kept));
    return commit(PatchChange::Kind::Delete, actionName, before,
                  PatchChange::Order | PatchChange::Wiring | PatchChange::Values);
}

bool PatchEditor::deletingNeedsConfirmation() const
{
    return patch().hasWPFields() > 0;
}

ModuleList::List PatchEditor::paste(const std::string& text, Module* anchor, Point cascade)
{
    SigFile& p = patch();
    Module::Ptr after = anchor ? inPatch(anchor) : p.head();
    if (!after || !std::isfinite(cascade.x) || !std::isfinite(cascade.y))
        return {};
    PatchState before(p);
    before.addOrder();
    before.addModule(p.tail());
    PasteReader::Result pasted = PasteReader::read(text, p);
    if (pasted.modules.empty() && !pasted.head)
        return {};

    unsigned aspects = PatchChange::Order | PatchChange::Geometry | PatchChange::Wiring;
    if (pasted.head) {
        // The pasted head stands in for the only module the patch had.
        pasted.head->setRect(p.head()->rect());
        p.setListOfModules({pasted.head});
        pasted.head->setDocument(document_, &p);
        p.setAuthor(pasted.author);
        after = pasted.head;
        aspects |= PatchChange::Values;
    }
    p.makeNamesUniqueIgnoringCase(pasted.modules);
    // The pasted boxes as read, every pin shown.
    Rect bounds;
    for (const auto& m : pasted.modules)
        bounds = bounds.united(ModuleGeometry::graphicRect(ModuleGeometry::placedBox(*m, -1)));
    p.offsetSelectedModules(pasted.modules, after->rect().x() - bounds.x(), after->rect().y() - bounds.y());
    p.addModules(pasted.modules, *after, true);
    if (cascade != Point{})
        for (const auto& m : pasted.modules)
            m->moveBy(cascade);
    commit(PatchChange::Kind::Paste, "Paste", before, aspects);
    return pasted.modules;
}

ModuleList::List PatchEditor::duplicate(const Modules& modules, Point offset)
{
    std::vector<Module::Ptr> originals = members(modules);
    SigFile& p = patch();
    std::erase(originals, p.head());
    if (originals.empty() || !std::isfinite(offset.x) || !std::isfinite(offset.y))
        return {};
    std::unordered_map<const Module*, size_t> place;
    for (size_t i = 0; i < p.moduleCount(); ++i)
        place.emplace(p.moduleAtIndex(i).get(), i);
    std::sort(originals.begin(), originals.end(),
              [&](const Module::Ptr& a, const Module::Ptr& b) { return place[a.get()] < place[b.get()]; });

    PatchState before(p);
    before.addOrder();
    ModuleList from, copies;
    from.setListOfModules(originals);
    for (const auto& m : originals)
        copies.addModule(m->copy());
    try {
        copies.copyConnections(from);
    } catch (const TkxException&) {
        return {};
    }
    const ModuleList::List made = copies.listOfModules();
    p.makeNamesUniqueIgnoringCase(made);
    for (const auto& m : made)
        if (m->rect().origin != Point{})
            m->moveBy(offset);
    p.addModules(made, *originals.back(), false);
    commit(PatchChange::Kind::Duplicate, "Duplicate", before,
           PatchChange::Order | PatchChange::Geometry | PatchChange::Wiring);
    return made;
}

} // namespace tosk
