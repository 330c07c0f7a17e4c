// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/PatchComparer.h"

#include "Toskfile/InstanceCounter.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/SModule.h"
#include "Toskfile/SigFile.h"
#include "database/OperatorDesc.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace tosk {

namespace {

bool isNode(const Module& m)
{
    return m.opDescriptor() && m.opDescriptor()->operatorId() == OperatorDesc::OP_ID_NODE;
}

// What the file holds for a field: the real source of a wired input
// (through nodes), else the value it writes. An unwired signal or object
// input writes the head's name, which says nothing about the input.
struct Held {
    const ModuleField* source = nullptr;
    std::string_view text;
    std::optional<std::string> own;

    std::string_view value() const { return own ? std::string_view(*own) : text; }
};

Held held(const ModuleField& f)
{
    Held h;
    if (f.source()) {
        const ModuleField* unfed = nullptr;
        h.source = f.sourceThroughNodes(&unfed);
        if (!h.source)
            h.own = unfed && f.type() == OperatorEntry::ED_CONTROL ? std::string(unfed->text())
                                                                   : std::string("null-source");
        return h;
    }
    if (f.isInput() && !f.isBad() && f.type() == OperatorEntry::ED_SIGNAL)
        h.text = "-null";
    else if (f.isInput() && !f.isBad() && f.type() == OperatorEntry::ED_USEROBJ)
        h.text = "-nullobj";
    else
        h.text = f.text();
    return h;
}

// A field as a person reads it: an input's source by its path, anything
// else as the file writes it (unquoted).
std::string shown(const ModuleField& f, const std::string& headName)
{
    if (f.isInput() && f.source())
        return f.sourceName(true, true);
    return f.getName(ModuleField::NF_NODE, headName);
}

// The hide count the file keeps: an input fed through nodes takes the real
// source's when read back.
int hideOf(const ModuleField& f)
{
    if (f.isAlwaysHidden())
        return 0;
    if (f.isInput() && f.source())
        if (const ModuleField* real = f.sourceThroughNodes(); real && real != f.source().get() && !real->isNullOutput())
            return real->hideCount();
    return f.hideCount();
}

// The place of a box as the file keeps it: x and y cut to whole numbers
// (the width written beside them is not read back).
bool samePlace(const Module& a, const Module& b)
{
    if (a.isPlaced() != b.isPlaced())
        return false;
    return !a.isPlaced() || (std::trunc(a.rect().x()) == std::trunc(b.rect().x()) &&
                             std::trunc(a.rect().y()) == std::trunc(b.rect().y()));
}

std::optional<std::string> positionOf(const Module& m)
{
    if (!m.isPlaced())
        return std::nullopt;
    return numberString(std::trunc(m.rect().x())) + "," + numberString(std::trunc(m.rect().y()));
}

} // namespace

std::string PatchComparer::nameOf(const Module& module)
{
    const OperatorDesc* op = module.opDescriptor().get();
    if (!op || module.asGroup())
        return std::string(module.instanceName());
    const FieldOrder& fields = module.fieldArray();
    auto [slot, fresh] = nameSlots_.try_emplace(op);
    if (fresh)
        if (Module::FieldPtr name = module.opstartNameField())
            slot->second = {module.indexOfField(name.get()), name->entry()};
    const NameSlot& at = slot->second;
    if (at.entry && at.index < fields.size() && fields[at.index]->entry() == at.entry)
        return std::string(fields[at.index]->text());
    return std::string(module.instanceName());
}

void PatchComparer::prepare(Side& side)
{
    flatten(side, side.patch->listOfModules(), -1, side.top);
    if (const Module::Ptr& head = side.patch->head()) {
        side.headName = head->instanceName();
        side.title = head->field("obj_desription").get();
    }
}

void PatchComparer::flatten(Side& side, const ModuleList::List& list, int parent, std::vector<int>& into)
{
    for (const auto& m : list) {
        // Nodes are not written: their wires are the real sources'.
        if (!m || isNode(*m) || m->isComment())
            continue;
        const int at = int(side.entries.size());
        const auto* group = m->asGroup();
        side.entries.push_back({m, parent, nameOf(*m), group ? "group " + group->moduleName() : m->name(), {}});
        side.index.emplace(m.get(), at);
        into.push_back(at);
        if (group) {
            std::vector<int> members;
            flatten(side, group->moduleList().moduleArray(), at, members);
            side.entries[size_t(at)].children = std::move(members);
        }
    }
}

void PatchComparer::pair(int i, int j)
{
    a_.entries[size_t(i)].pair = j;
    b_.entries[size_t(j)].pair = i;
    Module* mine = a_.entries[size_t(i)].module.get();
    Module* theirs = b_.entries[size_t(j)].module.get();
    out_.mineToTheirs_.emplace(mine, theirs);
    out_.theirsToMine_.emplace(theirs, mine);
}

void PatchComparer::matchSiblings(const std::vector<int>& a, const std::vector<int>& b)
{
    // By name first, the k-th of a name with the k-th.
    std::unordered_map<std::string_view, std::vector<int>> byName;
    for (int j : b)
        byName[b_.entries[size_t(j)].name].push_back(j);
    for (int i : a) {
        const Entry& e = a_.entries[size_t(i)];
        auto named = byName.find(e.name);
        if (named == byName.end())
            continue;
        for (int j : named->second)
            if (b_.entries[size_t(j)].pair < 0 && b_.entries[size_t(j)].kind == e.kind) {
                pair(i, j);
                break;
            }
    }
    // The rest by operator: those at the same place, then in order.
    std::unordered_map<std::string, std::vector<int>> byPlace;
    std::unordered_map<std::string_view, std::vector<int>> byKind;
    auto placeKey = [](const Entry& e) {
        const Rect& r = e.module->rect();
        return e.kind + '\n' + numberString(std::trunc(r.x())) + "," + numberString(std::trunc(r.y()));
    };
    for (int j : b) {
        const Entry& e = b_.entries[size_t(j)];
        if (e.pair >= 0)
            continue;
        byKind[e.kind].push_back(j);
        if (e.module->isPlaced())
            byPlace[placeKey(e)].push_back(j);
    }
    if (!byKind.empty()) {
        for (int i : a) {
            const Entry& e = a_.entries[size_t(i)];
            if (e.pair >= 0 || !e.module->isPlaced())
                continue;
            auto placed = byPlace.find(placeKey(e));
            if (placed == byPlace.end())
                continue;
            for (int j : placed->second)
                if (b_.entries[size_t(j)].pair < 0) {
                    pair(i, j);
                    break;
                }
        }
        std::unordered_map<std::string_view, size_t> next;
        for (int i : a) {
            const Entry& e = a_.entries[size_t(i)];
            if (e.pair >= 0)
                continue;
            auto kind = byKind.find(e.kind);
            if (kind == byKind.end())
                continue;
            size_t& k = next[e.kind];
            while (k < kind->second.size() && b_.entries[size_t(kind->second[k])].pair >= 0)
                ++k;
            if (k < kind->second.size())
                pair(i, kind->second[k++]);
        }
    }
    for (int i : a) {
        const Entry& e = a_.entries[size_t(i)];
        if (e.pair >= 0 && (!e.children.empty() || !b_.entries[size_t(e.pair)].children.empty()))
            matchSiblings(e.children, b_.entries[size_t(e.pair)].children);
    }
    compareOrder(a, b);
}

void PatchComparer::compareOrder(const std::vector<int>& a, const std::vector<int>& b)
{
    std::unordered_map<int, size_t> placeInB;
    for (size_t k = 0; k < b.size(); ++k)
        placeInB.emplace(b[k], k);
    // The paired modules of this side in order, by their places there; the
    // longest run that keeps its order stays, every other one moved.
    std::vector<size_t> seq, at;
    for (size_t k = 0; k < a.size(); ++k)
        if (int j = a_.entries[size_t(a[k])].pair; j >= 0) {
            seq.push_back(placeInB[j]);
            at.push_back(k);
        }
    std::vector<size_t> tails, tailAt, previous(seq.size(), SIZE_MAX);
    for (size_t k = 0; k < seq.size(); ++k) {
        const size_t length = size_t(std::lower_bound(tails.begin(), tails.end(), seq[k]) - tails.begin());
        if (length > 0)
            previous[k] = tailAt[length - 1];
        if (length == tails.size()) {
            tails.push_back(seq[k]);
            tailAt.push_back(k);
        } else {
            tails[length] = seq[k];
            tailAt[length] = k;
        }
    }
    std::vector<bool> kept(seq.size(), false);
    for (size_t k = tailAt.empty() ? SIZE_MAX : tailAt.back(); k != SIZE_MAX; k = previous[k])
        kept[k] = true;
    for (size_t k = 0; k < seq.size(); ++k) {
        if (kept[k])
            continue;
        const Entry& mine = a_.entries[size_t(a[at[k]])];
        const Entry& theirs = b_.entries[size_t(mine.pair)];
        PatchComparison::OrderDifference d;
        d.mine = mine.module;
        d.theirs = theirs.module;
        d.path = mine.module->pathName();
        if (at[k] > 0)
            d.before = a_.entries[size_t(a[at[k] - 1])].module->pathName();
        if (seq[k] > 0)
            d.after = b_.entries[size_t(b[seq[k] - 1])].module->pathName();
        out_.order_.push_back(std::move(d));
    }
}

bool PatchComparer::sameSource(const ModuleField& a, const ModuleField& b) const
{
    if (out_.theirsFor(a.parent()) != b.parent() || !a.parent())
        return false;
    const size_t at = a.parent()->indexOfField(&a);
    if (at == b.parent()->indexOfField(&b) && a.entry() == b.entry())
        return true;
    return a.entryName(OperatorField::CONNECT_TAG) == b.entryName(OperatorField::CONNECT_TAG);
}

void PatchComparer::addWire(const ModuleField& input, bool added, bool inField)
{
    PatchComparison::WireDifference w;
    w.input = input.parent()->fieldAtIndex(input.parent()->indexOfField(&input));
    w.from = input.sourceName(true, true);
    w.to = input.parent()->pathName() + "-" + input.name();
    w.inField = inField;
    (added ? out_.wiresAdded_ : out_.wiresRemoved_).push_back(std::move(w));
}

void PatchComparer::addWires(const Module& module, bool added)
{
    // A group's members are walked on their own.
    for (const auto& f : module.fieldArray())
        if (f->parent() == &module && f->isInput() && f->source())
            addWire(*f, added, false);
}

void PatchComparer::compareFields(const ModuleField* fa, const ModuleField* fb, std::vector<FieldDifference>& into)
{
    const ModuleField& any = fa ? *fa : *fb;
    if (!any.isOutput()) {
        bool same = fa && fb;
        Held ha, hb;
        if (same) {
            ha = held(*fa);
            hb = held(*fb);
            if (ha.source || hb.source)
                same = ha.source && hb.source && sameSource(*ha.source, *hb.source);
            else
                same = PatchComparison::sameValue(ha.value(), hb.value(), fa->type());
        }
        if (!same) {
            FieldDifference d;
            d.name = any.name();
            if (fa) {
                d.mine = fa->parent()->fieldAtIndex(fa->parent()->indexOfField(fa));
                d.before = shown(*fa, a_.headName);
                if (fa->isInput() && fa->source())
                    addWire(*fa, false, true);
            }
            if (fb) {
                d.theirs = fb->parent()->fieldAtIndex(fb->parent()->indexOfField(fb));
                d.after = shown(*fb, b_.headName);
                if (fb->isInput() && fb->source())
                    addWire(*fb, true, true);
            }
            into.push_back(std::move(d));
        }
    }
    if (fa && fb && hideOf(*fa) != hideOf(*fb)) {
        FieldDifference d;
        d.aspect = FieldDifference::Aspect::HideCount;
        d.name = fa->name();
        d.mine = fa->parent()->fieldAtIndex(fa->parent()->indexOfField(fa));
        d.theirs = fb->parent()->fieldAtIndex(fb->parent()->indexOfField(fb));
        d.before = std::to_string(hideOf(*fa));
        d.after = std::to_string(hideOf(*fb));
        into.push_back(std::move(d));
    }
}

void PatchComparer::compareModules(int i, int j)
{
    const Entry& ea = a_.entries[size_t(i)];
    const Entry& eb = b_.entries[size_t(j)];
    const Module& a = *ea.module;
    const Module& b = *eb.module;
    const bool groups = a.asGroup() != nullptr;
    // A group's own field is its name; its members' fields are theirs.
    auto own = [&](const Module& m, const ModuleField* title) {
        std::vector<const ModuleField*> fields;
        fields.reserve(m.fieldCount());
        for (const auto& f : m.fieldArray())
            if ((!groups || f->parent() == &m) && !f->isInvisible() && f.get() != title)
                fields.push_back(f.get());
        return fields;
    };
    const std::vector<const ModuleField*> fa = own(a, a_.title), fb = own(b, b_.title);

    ModuleDifference d;
    if (!samePlace(a, b)) {
        d.moved = true;
        d.positionBefore = positionOf(a);
        d.positionAfter = positionOf(b);
    }
    bool aligned = fa.size() == fb.size();
    for (size_t k = 0; aligned && k < fa.size(); ++k)
        aligned = fa[k]->entry() == fb[k]->entry() && fa[k]->entry();
    if (aligned) {
        for (size_t k = 0; k < fa.size(); ++k)
            compareFields(fa[k], fb[k], d.fields);
    } else {
        // Repetitions differ (or the operator's entries): fields pair by
        // name, the k-th of a name with the k-th.
        auto names = [](const Module& m, const std::vector<const ModuleField*>& fields) {
            std::unordered_map<const ModuleField*, std::string> all;
            InstanceCounter counter;
            for (const auto& f : m.fieldArray())
                all.emplace(f.get(), f->entryName(OperatorField::NAME, counter.next(*f)));
            std::vector<std::string> out;
            for (const ModuleField* f : fields)
                out.push_back(all[f]);
            return out;
        };
        const std::vector<std::string> na = names(a, fa), nb = names(b, fb);
        std::unordered_map<std::string, std::vector<size_t>> byName;
        for (size_t k = 0; k < fb.size(); ++k)
            byName[nb[k]].push_back(k);
        std::unordered_map<std::string, size_t> seen;
        std::vector<size_t> partner(fa.size(), SIZE_MAX);
        std::vector<bool> taken(fb.size(), false);
        for (size_t k = 0; k < fa.size(); ++k) {
            const size_t n = seen[na[k]]++;
            auto named = byName.find(na[k]);
            if (named != byName.end() && n < named->second.size()) {
                partner[k] = named->second[n];
                taken[partner[k]] = true;
            }
        }
        // Fields of theirs only go where they stand among the paired ones.
        size_t nextB = 0;
        auto theirsOnlyBefore = [&](size_t end) {
            for (; nextB < end; ++nextB)
                if (!taken[nextB])
                    compareFields(nullptr, fb[nextB], d.fields);
        };
        for (size_t k = 0; k < fa.size(); ++k) {
            if (partner[k] != SIZE_MAX) {
                theirsOnlyBefore(partner[k]);
                nextB = std::max(nextB, partner[k] + 1);
            }
            compareFields(fa[k], partner[k] == SIZE_MAX ? nullptr : fb[partner[k]], d.fields);
        }
        theirsOnlyBefore(fb.size());
    }
    if (!d.moved && d.fields.empty())
        return;
    d.kind = d.fields.empty() ? ModuleDifference::Kind::Moved : ModuleDifference::Kind::Changed;
    d.mine = ea.module;
    d.theirs = eb.module;
    d.path = a.pathName();
    d.theirsPath = b.pathName();
    d.operatorName = ea.kind;
    out_.modules_.push_back(std::move(d));
}

PatchComparison::ModuleDifference PatchComparer::unpaired(const Side& side, int i, bool added) const
{
    const Entry& e = side.entries[size_t(i)];
    ModuleDifference d;
    d.kind = added ? ModuleDifference::Kind::Added : ModuleDifference::Kind::Removed;
    (added ? d.theirs : d.mine) = e.module;
    d.path = e.module->pathName();
    d.operatorName = e.kind;
    (added ? d.positionAfter : d.positionBefore) = positionOf(*e.module);
    return d;
}

void PatchComparer::comparePatches()
{
    prepare(a_);
    prepare(b_);
    for (const auto& m : b_.patch->listOfModules())
        if (m && !isNode(*m) && !m->isComment())
            out_.theirsTop_.push_back(m);
    matchSiblings(a_.top, b_.top);

    for (size_t i = 0; i < a_.entries.size(); ++i) {
        const Entry& e = a_.entries[i];
        if (e.pair >= 0) {
            compareModules(int(i), e.pair);
            continue;
        }
        // A group that goes takes its members along: they are not listed.
        if (e.parent < 0 || a_.entries[size_t(e.parent)].pair >= 0)
            out_.modules_.push_back(unpaired(a_, int(i), false));
        addWires(*e.module, false);
    }
    for (size_t j = 0; j < b_.entries.size(); ++j) {
        const Entry& e = b_.entries[j];
        if (e.pair >= 0)
            continue;
        if (e.parent < 0 || b_.entries[size_t(e.parent)].pair >= 0)
            out_.modules_.push_back(unpaired(b_, int(j), true));
        addWires(*e.module, true);
    }
    const std::string titles[2] = {a_.patch->programName(), b_.patch->programName()};
    if (titles[0] != titles[1])
        out_.title_ = PatchComparison::TextDifference{titles[0], titles[1]};
    const std::string authors[2] = {a_.patch->author(), b_.patch->author()};
    if (authors[0] != authors[1])
        out_.author_ = PatchComparison::TextDifference{authors[0], authors[1]};
    for (const Side* side : {&a_, &b_})
        for (const Entry& e : side->entries)
            out_.kept_.push_back(e.module);
}

void PatchComparer::compareUnitCopy()
{
    const Module::FieldList mine = a_.patch->nameFieldList(true);
    const Module::FieldList theirs = b_.patch->nameFieldList(true);
    out_.matches_ = false;
    if (mine.empty() || mine.size() != theirs.size())
        return;
    std::vector<std::pair<Module*, Module*>> pairs;
    std::unordered_set<const Module*> seen;
    for (size_t i = 0; i < mine.size(); ++i) {
        Module* a = mine[i]->trueParent();
        Module* b = theirs[i]->trueParent();
        if (!a || !b || a->name() != b->name() || a->fieldCount() != b->fieldCount())
            return;
        // A group names its members too; it is compared once.
        if (seen.insert(a).second)
            pairs.emplace_back(a, b);
    }
    out_.matches_ = true;
    for (const auto& [a, b] : pairs) {
        out_.mineToTheirs_.emplace(a, b);
        out_.theirsToMine_.emplace(b, a);
        out_.kept_.push_back(a->shared_from_this());
        out_.kept_.push_back(b->shared_from_this());
        out_.theirsTop_.push_back(b->shared_from_this());
        ModuleDifference d;
        for (size_t index : a->differingParameters(*b)) {
            FieldDifference f;
            f.mine = a->fieldArray()[index];
            f.theirs = b->fieldArray()[index];
            f.name = f.mine->name();
            f.before = f.mine->text();
            f.after = f.theirs->text();
            d.fields.push_back(std::move(f));
        }
        if (d.fields.empty())
            continue;
        d.mine = a->shared_from_this();
        d.theirs = b->shared_from_this();
        d.path = a->pathName();
        d.theirsPath = b->pathName();
        d.operatorName = a->name();
        out_.modules_.push_back(std::move(d));
    }
}

} // namespace tosk
