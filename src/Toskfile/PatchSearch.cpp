// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/PatchSearch.h"

#include "Toskfile/ModuleList.h"
#include "Toskfile/SModule.h"
#include "base/TextCase.h"

#include <algorithm>

namespace tosk {

PatchSearch::PatchSearch(const ModuleList& patch)
{
    for (const auto& m : patch.listOfModules())
        if (m)
            gather(m);
}

void PatchSearch::add(Match::What what, size_t module, Module::FieldPtr field, std::string_view text)
{
    if (text.empty() || text.find('\0') != std::string_view::npos)
        return;
    items_.push_back({what, module, std::move(field), texts_.size()});
    for (char c : text)
        texts_ += lowerCasedChar(c);
    texts_ += '\0';
}

void PatchSearch::gather(const Module::Ptr& module)
{
    const size_t at = modules_.size();
    modules_.push_back(module);
    paths_.push_back(module->pathName());
    const auto* group = module->asGroup();
    Module::FieldPtr name = module->opstartNameField();
    if (name)
        add(Match::What::InstanceName, at, name, name->text());
    add(Match::What::OperatorName, at, nullptr, group ? group->moduleName() : module->name());
    for (const auto& f : module->fieldArray()) {
        // A group's members have fields of their own; outputs and counts
        // worked out from others hold nothing a person typed.
        if (f->parent() != module.get() || f == name || f->isOutput() || f->isInvisible())
            continue;
        if (f->isInput() && f->source())
            add(Match::What::FieldText, at, f, f->sourceName(true, true));
        else
            add(Match::What::FieldText, at, f, f->text());
    }
    if (group)
        for (const auto& member : group->moduleList().moduleArray())
            if (member)
                gather(member);
}

std::vector<PatchSearch::Match> PatchSearch::find(std::string_view text) const
{
    std::vector<Match> matches;
    std::string needle;
    needle.reserve(text.size());
    for (char c : text)
        needle += lowerCasedChar(c);
    if (needle.empty() || needle.find('\0') != std::string::npos)
        return matches;
    const std::string_view all(texts_);
    for (size_t at = all.find(needle); at != std::string_view::npos;) {
        // The text the occurrence is in, then on from the next text.
        auto item = std::upper_bound(items_.begin(), items_.end(), at,
                                     [](size_t pos, const Item& i) { return pos < i.begin; }) -
                    1;
        matches.push_back({item->what, modules_[item->module], paths_[item->module], item->field});
        const size_t next = item + 1 == items_.end() ? all.size() : (item + 1)->begin;
        at = all.find(needle, next);
    }
    return matches;
}

} // namespace tosk
