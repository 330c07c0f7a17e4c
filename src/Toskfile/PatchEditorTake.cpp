// SPDX-License-Identifier: GPL-3.0-or-later
// PatchEditor::takeFromOther: differences of a comparison taken into the
// patch as one edit.
#include "Toskfile/PatchEditor.h"

#include "Toskfile/PatchState.h"
#include "Toskfile/SModule.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/Localization.h"
#include "base/TextCase.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace tosk {

namespace {

using Comparison = PatchComparison;
using FieldDifference = Comparison::FieldDifference;
using ModuleDifference = Comparison::ModuleDifference;

struct FieldTake {
    const FieldDifference* difference;
    const ModuleDifference* module;
};

// What the chosen differences come to, and the modules they need.
class TakePlan {
public:
    TakePlan(const Comparison& comparison, const SigFile& patch) : comparison_(comparison), patch_(patch) {}

    bool choose(const std::vector<Comparison::Choice>& chosen);

    std::vector<Module::Ptr> removed;
    // Top-level modules of the other patch, in its order.
    std::vector<Module::Ptr> added;
    std::vector<FieldTake> fields;
    std::vector<const ModuleDifference*> boxes;
    std::vector<const Comparison::OrderDifference*> orders;
    bool title = false, author = false;
    std::string refusal;

private:
    bool refuse(const char* key, const char* text, const std::string& name)
    {
        refusal = fillIn(localized(key, text), {latin1ToUtf8(name)});
        return false;
    }
    bool memberRefused(const Module& member)
    {
        return refuse("TakeGroupMember", "%s is a member of a group: a group cannot gain, lose or reorder members.",
                      member.pathName());
    }
    bool need(Module* theirs);
    bool takeField(const ModuleDifference& module, const FieldDifference& field);

    const Comparison& comparison_;
    const SigFile& patch_;
    std::unordered_set<const Module*> added_, removed_;
    std::unordered_set<const FieldDifference*> fields_;
    std::unordered_set<const void*> others_;
};

bool TakePlan::need(Module* theirs)
{
    if (!theirs || comparison_.mineFor(theirs))
        return true;
    Module* top = theirs->trueParent();
    if (top != theirs && comparison_.mineFor(top))
        return memberRefused(*theirs);
    if (added_.count(top))
        return true;
    if (top->isHead())
        return refuse("TakeHead", "%s is the head of the other patch: this patch keeps its own.", top->pathName());
    added_.insert(top);
    added.push_back(top->shared_from_this());
    // Its sources come along (a group's fields are its members').
    for (const auto& f : top->fieldArray())
        if (f->isInput() && f->source())
            if (const ModuleField* source = f->sourceThroughNodes(); source && source->trueParent() != top)
                if (!need(source->parent()))
                    return false;
    return true;
}

bool TakePlan::takeField(const ModuleDifference& module, const FieldDifference& field)
{
    if (!fields_.insert(&field).second)
        return true;
    fields.push_back({&field, &module});
    if (field.aspect == FieldDifference::Aspect::Value && field.theirs && field.theirs->source())
        if (const ModuleField* source = field.theirs->sourceThroughNodes())
            return need(source->parent());
    return true;
}

bool TakePlan::choose(const std::vector<Comparison::Choice>& chosen)
{
    using Part = Comparison::Choice::Part;
    const auto& modules = comparison_.modules();
    for (const auto& choice : chosen) {
        switch (choice.part) {
        case Part::Module:
        case Part::Field: {
            if (choice.index >= modules.size())
                return false;
            const ModuleDifference& m = modules[choice.index];
            if (choice.part == Part::Field) {
                if (choice.field >= m.fields.size() || !takeField(m, m.fields[choice.field]))
                    return false;
                break;
            }
            if (m.kind == ModuleDifference::Kind::Added) {
                if (!need(m.theirs.get()))
                    return false;
            } else if (m.kind == ModuleDifference::Kind::Removed) {
                if (!m.mine->isTopLevel())
                    return memberRefused(*m.mine);
                // The head stays whatever else goes.
                if (m.mine != patch_.head() && removed_.insert(m.mine.get()).second)
                    removed.push_back(m.mine);
            } else {
                if (m.moved && others_.insert(&m).second)
                    boxes.push_back(&m);
                for (const auto& f : m.fields)
                    if (!takeField(m, f))
                        return false;
            }
            break;
        }
        case Part::Title:
            title = title || comparison_.title().has_value();
            break;
        case Part::Author:
            author = author || comparison_.author().has_value();
            break;
        case Part::Order: {
            if (choice.index >= comparison_.order().size())
                return false;
            const Comparison::OrderDifference& o = comparison_.order()[choice.index];
            if (!o.mine->isTopLevel())
                return memberRefused(*o.mine);
            if (others_.insert(&o).second)
                orders.push_back(&o);
            break;
        }
        }
    }
    // Added modules go in in the other patch's order.
    std::unordered_map<const Module*, size_t> place;
    for (size_t i = 0; i < comparison_.theirsTopLevel().size(); ++i)
        place.emplace(comparison_.theirsTopLevel()[i].get(), i);
    std::stable_sort(added.begin(), added.end(),
                     [&](const Module::Ptr& a, const Module::Ptr& b) { return place[a.get()] < place[b.get()]; });
    std::stable_sort(orders.begin(), orders.end(),
                     [&](const auto* a, const auto* b) { return place[a->theirs.get()] < place[b->theirs.get()]; });
    return true;
}

// The repetition count a difference of a field needs changed, by name;
// "" for none.
std::string countNeeded(const FieldDifference& d)
{
    if (d.aspect != FieldDifference::Aspect::Value)
        return {};
    if (!d.mine && d.theirs && d.theirs->iterator())
        return d.theirs->iterator()->name();
    if (!d.theirs && d.mine && d.mine->iterator())
        return d.mine->iterator()->name();
    if (d.mine && d.mine->numIterations() > 0)
        return d.name;
    return {};
}

Module::FieldPtr lastOfGroup(const Module& module, const ModuleField* count)
{
    Module::FieldPtr last;
    for (const auto& f : module.fieldArray())
        if (f->iterator() == count)
            last = f;
    return last;
}

} // namespace

bool PatchEditor::takeFromOther(const PatchComparison& comparison, const std::vector<PatchComparison::Choice>& chosen,
                                std::string* refusal)
{
    if (refusal)
        refusal->clear();
    SigFile& p = patch();
    if (comparison.minePatch() != &p || chosen.empty())
        return false;
    TakePlan plan(comparison, p);
    if (!plan.choose(chosen)) {
        if (refusal)
            *refusal = plan.refusal;
        return false;
    }
    // Every module a difference names must still be in this patch.
    std::vector<const Module*> named;
    for (const auto& m : plan.removed)
        named.push_back(m.get());
    for (const auto& take : plan.fields)
        named.push_back(take.module->mine.get());
    for (const ModuleDifference* m : plan.boxes)
        named.push_back(m->mine.get());
    for (const auto* o : plan.orders)
        named.push_back(o->mine.get());
    for (const Module* m : named)
        if (!inPatch(m->trueParent()))
            return false;

    // Repetition counts to change, per module: module, count name, target.
    std::map<std::pair<Module*, std::string>, std::string> counts;
    for (const auto& take : plan.fields)
        if (std::string count = countNeeded(*take.difference); !count.empty())
            if (Module::FieldPtr theirs = take.module->theirs->field(count))
                counts.emplace(std::pair{take.module->mine.get(), count}, theirs->text());

    PatchState before(p);
    before.addOrder();
    std::unordered_set<const Module*> going;
    std::vector<Module*> goingRaw;
    for (const auto& m : plan.removed) {
        going.insert(m.get());
        goingRaw.push_back(m.get());
        for (const auto& f : m->fieldArray())
            if (f->source())
                before.addField(f);
    }
    before.addInputsFedBy(goingRaw);
    for (const auto& [key, target] : counts) {
        Module::Ptr top = inPatch(key.first->trueParent());
        before.addModule(top);
        before.addInputsFedBy({top.get()});
    }
    for (const auto& take : plan.fields)
        before.addField(take.difference->mine);
    for (const ModuleDifference* m : plan.boxes)
        before.addBox(m->mine);
    Module::FieldPtr titleField = p.head() ? p.head()->field("obj_desription") : nullptr;
    Module::FieldPtr authorField = p.tail() ? p.tail()->opstartNameField() : nullptr;
    if (plan.title)
        before.addField(titleField);
    if (plan.author)
        before.addField(authorField);

    bool changed = false;
    auto refuse = [&](const std::string& message) {
        before.restore();
        if (refusal)
            *refusal = message;
        return false;
    };

    // Modules that go, with every wire in and out.
    if (!plan.removed.empty()) {
        for (const auto& m : p.listOfModules())
            for (const auto& f : m->fieldArray())
                if (f->isInput() && f->source() &&
                    (going.count(f->trueParent()) || going.count(f->source()->trueParent())))
                    p.connect(*f, nullptr, false, true);
        ModuleList::List kept;
        kept.reserve(p.moduleCount());
        for (const auto& m : p.listOfModules())
            if (!going.count(m.get()))
                kept.push_back(m);
        p.setListOfModules(std::move(kept));
        changed = true;
    }

    // Modules that come, each after the module it follows there.
    std::unordered_map<const Module*, Module::Ptr> copies;
    auto mapCopies = [&](auto& self, const Module& theirs, const Module::Ptr& copy) -> void {
        copies.emplace(&theirs, copy);
        const auto* from = theirs.asGroup();
        const auto* to = copy->asGroup();
        if (from && to)
            for (size_t i = 0; i < from->moduleList().moduleCount() && i < to->moduleList().moduleCount(); ++i)
                self(self, *from->moduleList().moduleAtIndex(i), to->moduleList().moduleAtIndex(i));
    };
    // The module of this patch that stands for one of the other's.
    auto here = [&](const Module* theirs) -> Module* {
        if (auto c = copies.find(theirs); c != copies.end())
            return c->second.get();
        Module* m = comparison.mineFor(theirs);
        return m && !going.count(m->trueParent()) ? m : nullptr;
    };
    auto follows = [&](const Module& theirs) -> Module* {
        const auto& order = comparison.theirsTopLevel();
        auto at = std::find_if(order.begin(), order.end(), [&](const auto& m) { return m.get() == &theirs; });
        while (at != order.begin())
            if (Module* m = here((--at)->get()); m && p.indexOfModule(m) != ModuleList::npos)
                return m;
        return nullptr;
    };
    std::vector<Module::Ptr> newModules;
    for (const auto& theirs : plan.added) {
        Module::Ptr copy = theirs->copy();
        mapCopies(mapCopies, *theirs, copy);
        p.makeNamesUniqueIgnoringCase({copy});
        if (Module* after = follows(*theirs))
            p.addModuleAfter(copy, *after, false);
        else
            p.addModuleBefore(copy, 0);
        copy->setDocument(document_, &p);
        newModules.push_back(copy);
        changed = true;
    }
    // The source in this patch for an input fed there.
    auto sourceFor = [&](const ModuleField& theirsSource) -> Module::FieldPtr {
        const Module* owner = theirsSource.parent();
        Module* m = here(owner);
        if (!m)
            return nullptr;
        const size_t at = owner->indexOfField(&theirsSource);
        Module::FieldPtr f = m->fieldAtIndex(at);
        if (f && f->entry() == theirsSource.entry())
            return f;
        return m->field(theirsSource.entryName(OperatorField::CONNECT_TAG), OperatorField::CONNECT_TAG);
    };
    for (const auto& [theirs, copy] : copies) {
        for (size_t i = 0; i < theirs->fieldCount() && i < copy->fieldCount(); ++i) {
            const ModuleField& from = *theirs->fieldArray()[i];
            ModuleField& to = *copy->fieldArray()[i];
            if (from.parent() != theirs || !from.isInput() || !from.source())
                continue;
            const ModuleField* unfed = nullptr;
            if (const ModuleField* source = from.sourceThroughNodes(&unfed)) {
                Module::FieldPtr s = sourceFor(*source);
                if (!s)
                    return refuse(std::string());
                p.connect(to, s, false, true);
                to.setHideCount(from.hideCount());
            } else {
                to.restoreText(from.getName(ModuleField::NF_NODE, std::string()));
            }
        }
    }

    // Repetitions, so that the fields to take exist.
    for (const auto& [key, target] : counts) {
        Module& m = *key.first;
        Module::FieldPtr count = m.field(key.second);
        const int want = OperatorField::integerValue(target);
        for (int guard = 0; count && guard < Module::kMaxRepetitions; ++guard) {
            const int have = OperatorField::integerValue(count->text());
            if (have == want)
                break;
            Module::FieldPtr last = lastOfGroup(m, count.get());
            const bool grow = have < want;
            if (!last || !(grow ? canAddRepetition(*last) : canRemoveRepetition(*last)))
                return refuse(fillIn(localized("TakeRepetitions", "%s cannot take the other patch's repetitions."),
                                     {latin1ToUtf8(m.pathName())}));
            if (grow) {
                Module::FieldList made;
                if (!m.addIteratedField(*last, &made))
                    return refuse(fillIn(localized("TakeRepetitions", "%s cannot take the other patch's repetitions."),
                                         {latin1ToUtf8(m.pathName())}));
                for (const auto& f : made)
                    if (f->isInput())
                        p.connect(*f, nullptr, true, false);
            } else {
                last->parent()->deleteIteratedField(*last);
            }
            changed = true;
        }
    }

    // Values, sources and hide counts.
    std::vector<Module*> renamed;
    for (const auto& take : plan.fields) {
        const FieldDifference& d = *take.difference;
        const ModuleField* theirs = d.theirs.get();
        if (!theirs)
            continue; // gone with its repetition
        Module& m = *take.module->mine;
        Module::FieldPtr field = d.mine;
        if (!field)
            for (const auto& f : m.fieldArray())
                if (f->parent() == &m && f->name() == d.name) {
                    field = f;
                    break;
                }
        if (!field)
            return refuse(fillIn(localized("TakeRepetitions", "%s cannot take the other patch's repetitions."),
                                 {latin1ToUtf8(m.pathName())}));
        if (d.aspect == FieldDifference::Aspect::HideCount) {
            changed = changed || field->hideCount() != theirs->hideCount();
            field->setHideCount(theirs->hideCount());
            continue;
        }
        if (field == m.opstartNameField() && field->text() != theirs->text())
            renamed.push_back(&m);
        const uint8_t hidden = field->hideCount();
        const ModuleField* unfed = nullptr;
        const ModuleField* source = theirs->source() ? theirs->sourceThroughNodes(&unfed) : nullptr;
        if (source) {
            Module::FieldPtr s = sourceFor(*source);
            if (!s)
                return refuse(std::string());
            if (field->source() != s) {
                p.connect(*field, s, false, true);
                changed = true;
            }
        } else {
            const std::string text =
                theirs->source() ? theirs->getName(ModuleField::NF_NODE, std::string()) : std::string(theirs->text());
            if (field->source()) {
                field->source(nullptr, std::string(), false);
                changed = true;
            }
            changed = changed || field->text() != text || field->isBad() != theirs->isBad();
            field->restoreText(text);
            field->setAsBad(theirs->isBad());
        }
        field->setHideCount(hidden);
    }

    // Boxes.
    for (const ModuleDifference* d : plan.boxes) {
        Module& m = *d->mine;
        const Rect& there = d->theirs->rect();
        const Rect box(there.origin, Size{there.width(), 0});
        changed = changed || box != m.rect() || m.isPlaced() != d->theirs->isPlaced();
        m.restoreBox(box.origin, box.width(), d->theirs->isPlaced());
    }

    // Places in the processing order, in the other patch's order.
    for (const auto* o : plan.orders) {
        Module* m = o->mine.get();
        if (m == p.head().get() || p.indexOfModule(m) == ModuleList::npos)
            continue;
        Module* after = follows(*o->theirs);
        if (!after || after == m || p.indexOfModule(after) + 1 == p.indexOfModule(m))
            continue;
        p.moveModule(*m, *after);
        changed = true;
    }

    if (plan.title && titleField && titleField->text() != comparison.title()->after) {
        titleField->restoreText(comparison.title()->after);
        changed = true;
    }
    if (plan.author && authorField && authorField->text() != comparison.author()->after) {
        authorField->restoreText(comparison.author()->after);
        changed = true;
    }

    // References find modules without regard to case: two names alike
    // would wire the wrong module on reading.
    if (!renamed.empty() || !newModules.empty()) {
        std::unordered_map<std::string, int> uses;
        for (const auto& f : p.nameFieldList(true))
            ++uses[lowerCased(f->text())];
        std::vector<const Module*> check(renamed.begin(), renamed.end());
        for (const auto& m : newModules)
            check.push_back(m.get());
        for (const Module* m : check)
            if (uses[lowerCased(m->instanceName())] > 1)
                return refuse(fillIn(localized("TakeNameInUse", "%s is the name of another module of this patch."),
                                     {latin1ToUtf8(m->instanceName())}));
    }
    if (!changed)
        return false;
    return commit(PatchChange::Kind::TakeFromOther, "Take from Other", before,
                  PatchChange::Order | PatchChange::Geometry | PatchChange::Wiring | PatchChange::Values |
                      PatchChange::FieldLists);
}

} // namespace tosk
