// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ModuleLookup.h"

#include "Toskfile/ModuleList.h"
#include "Toskfile/SModule.h"
#include "base/TextCase.h"
#include "database/OperatorDesc.h"

namespace tosk {

ModuleLookup::ModuleLookup(const ModuleList& list)
{
    byName_.reserve(list.moduleCount());
    for (const auto& m : list.moduleArray())
        add(*m);
}

void ModuleLookup::add(Module& module)
{
    // A group has no outputs of its own: its name must not hide a member,
    // or a later module, of the same name.
    if (auto* group = dynamic_cast<SModule*>(&module)) {
        for (const auto& member : group->moduleList().moduleArray())
            add(*member);
        return;
    }
    byName_.emplace(key(module.instanceName()), &module);
}

std::string ModuleLookup::key(const std::string& name)
{
    return lowerCased(name);
}

Module* ModuleLookup::find(const std::string& name) const
{
    auto it = byName_.find(key(name));
    return it == byName_.end() ? nullptr : it->second;
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
    auto k = std::make_tuple(&op, type, key(name));
    auto it = namedEntries_.find(k);
    if (it == namedEntries_.end())
        it = namedEntries_.emplace(std::move(k), NamedEntries::of(op, type, name)).first;
    return it->second;
}

Module* ModuleLookup::findPath(const ModuleList& list, const std::string& path)
{
    for (const auto& m : list.moduleArray()) {
        if (auto* group = dynamic_cast<SModule*>(m.get())) {
            if (Module* found = findPath(group->moduleList(), path))
                return found;
        } else if (!m->isTopLevel() && equalsIgnoringCase(m->pathName(), path)) {
            return m.get();
        }
    }
    return nullptr;
}

} // namespace tosk
