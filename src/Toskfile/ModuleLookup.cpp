// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ModuleLookup.h"

#include "Toskfile/ModuleList.h"
#include "Toskfile/SModule.h"
#include "base/TextCase.h"
#include "database/OperatorDesc.h"

namespace tosk {

ModuleLookup::ModuleLookup(const ModuleList& list)
{
    grow(list.moduleCount());
    for (const auto& m : list.moduleArray())
        add(*m);
}

void ModuleLookup::add(Module& module)
{
    // A group has no outputs of its own: its name must not hide a member,
    // or a later module, of the same name.
    if (auto* group = module.asGroup()) {
        for (const auto& member : group->moduleList().moduleArray())
            add(*member);
        return;
    }
    const std::string_view name = module.instanceName();
    const uint64_t hash = hashOf(name);
    if ((count_ + 1) * 2 > slots_.size())
        grow(count_ + 1);
    const size_t at = slotFor(name, hash);
    if (slots_[at].module)
        return; // the first module of a name keeps it
    Slot& slot = slots_[at];
    slot.hash = hash;
    slot.offset = static_cast<uint32_t>(names_.size());
    slot.length = static_cast<uint32_t>(name.size());
    slot.module = &module;
    for (char c : name)
        names_.push_back(lowerCasedChar(c));
    ++count_;
}

uint64_t ModuleLookup::hashOf(std::string_view name)
{
    // FNV-1a over the lower-cased bytes.
    uint64_t h = 14695981039346656037ull;
    for (char c : name) {
        h ^= static_cast<unsigned char>(lowerCasedChar(c));
        h *= 1099511628211ull;
    }
    return h;
}

size_t ModuleLookup::slotFor(std::string_view name, uint64_t hash) const
{
    if (slots_.empty())
        return 0;
    const size_t mask = slots_.size() - 1;
    for (size_t at = static_cast<size_t>(hash) & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (!slot.module)
            return at;
        if (slot.hash != hash || slot.length != name.size())
            continue;
        const char* stored = names_.data() + slot.offset;
        size_t i = 0;
        while (i < name.size() && stored[i] == lowerCasedChar(name[i]))
            ++i;
        if (i == name.size())
            return at;
    }
}

void ModuleLookup::grow(size_t names)
{
    size_t capacity = 16;
    while (capacity < names * 2)
        capacity *= 2;
    if (capacity <= slots_.size())
        return;
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(capacity, Slot{});
    const size_t mask = capacity - 1;
    for (const Slot& slot : old) {
        if (!slot.module)
            continue;
        size_t at = static_cast<size_t>(slot.hash) & mask;
        while (slots_[at].module)
            at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

Module* ModuleLookup::find(const std::string& name) const
{
    if (slots_.empty())
        return nullptr;
    return slots_[slotFor(name, hashOf(name))].module;
}

NamedEntries NamedEntries::of(const OperatorDesc& op, int32_t type, const std::string& name)
{
    NamedEntries named;
    for (const auto& entry : op.operatorData()) {
        const std::string& text = entry->nameForType(type);
        if (text.find('~') != std::string::npos)
            named.repeated = true;
        else if (equalsIgnoringCase(text, name))
            named.entries.push_back(entry.get());
    }
    return named;
}

const NamedEntries& ModuleLookup::namedEntries(const OperatorDesc& op, int32_t type, const std::string& name) const
{
    auto k = std::make_tuple(&op, type, lowerCased(name));
    auto it = namedEntries_.find(k);
    if (it == namedEntries_.end())
        it = namedEntries_.emplace(std::move(k), NamedEntries::of(op, type, name)).first;
    return it->second;
}

Module* ModuleLookup::findPath(const ModuleList& list, const std::string& path)
{
    for (const auto& m : list.moduleArray()) {
        if (auto* group = m->asGroup()) {
            if (Module* found = findPath(group->moduleList(), path))
                return found;
        } else if (!m->isTopLevel() && equalsIgnoringCase(m->pathName(), path)) {
            return m.get();
        }
    }
    return nullptr;
}

} // namespace tosk
