// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ModuleList.h"

#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/ModuleNameIndex.h"
#include "Toskfile/SModule.h"
#include "base/TkxException.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace tosk {

ModulePlaces::ModulePlaces(const std::vector<Module::Ptr>& list) : places_(list.size())
{
    for (size_t i = 0; i < list.size(); ++i) {
        if (i + ModuleTable::kAhead < list.size())
            places_.prefetch(list[i + ModuleTable::kAhead].get());
        places_.insert(list[i].get(), i);
    }
}

namespace {

void addOnce(ModuleList::List& collection, const Module::Ptr& module)
{
    if (std::find(collection.begin(), collection.end(), module) == collection.end())
        collection.push_back(module);
}

} // namespace

void ModuleList::initWithList(const ModuleList& other)
{
    listOfModules_ = other.listOfModules_;
    copyConnections(other);
}

std::unique_ptr<ModuleList> ModuleList::copy() const
{
    auto list = std::make_unique<ModuleList>();
    list->initWithList(*this);
    return list;
}

void ModuleList::setListOfModules(List modules)
{
    listOfModules_ = std::move(modules);
}

size_t ModuleList::indexOfModule(const Module* module) const
{
    for (size_t i = 0; i < listOfModules_.size(); ++i)
        if (listOfModules_[i].get() == module)
            return i;
    return npos;
}

Module::Ptr ModuleList::moduleAtIndex(size_t index) const
{
    return index < listOfModules_.size() ? listOfModules_[index] : nullptr;
}

void ModuleList::addModule(Module::Ptr module)
{
    listOfModules_.push_back(std::move(module));
}

void ModuleList::addListOfModules(const ModuleList& other)
{
    List modules = other.listOfModules_; // `other` may be this list
    listOfModules_.insert(listOfModules_.end(), modules.begin(), modules.end());
}

void ModuleList::addModuleBefore(Module::Ptr module, size_t index)
{
    if (index >= listOfModules_.size())
        listOfModules_.push_back(std::move(module));
    else
        listOfModules_.insert(listOfModules_.begin() + static_cast<long>(index), std::move(module));
}

void ModuleList::addModuleAfter(Module::Ptr module, size_t index)
{
    addModuleBefore(std::move(module), index == npos ? npos : index + 1);
}

bool ModuleList::addModuleAfter(Module::Ptr module, const Module& other, bool /*reposition*/)
{
    size_t at = indexOfModule(&other);
    if (at == npos)
        return false;
    addModuleAfter(std::move(module), at);
    return true;
}

void ModuleList::moveModule(const Module& module, const Module& other)
{
    size_t from = indexOfModule(&module);
    if (from == npos || indexOfModule(&other) == npos || &module == &other)
        return;
    Module::Ptr keep = listOfModules_[from];
    listOfModules_.erase(listOfModules_.begin() + static_cast<long>(from));
    addModuleAfter(std::move(keep), indexOfModule(&other));
}

void ModuleList::removeModule(const Module* module)
{
    size_t at = indexOfModule(module);
    if (at != npos)
        removeModuleAtIndex(at);
}

void ModuleList::removeModuleAtIndex(size_t index)
{
    if (index < listOfModules_.size())
        listOfModules_.erase(listOfModules_.begin() + static_cast<long>(index));
}

void ModuleList::removeAll()
{
    listOfModules_.clear();
}

void ModuleList::replaceModuleAtIndex(size_t index, Module::Ptr module)
{
    if (index < listOfModules_.size())
        listOfModules_[index] = std::move(module);
}

Module::Ptr ModuleList::findModuleByName(const std::string& name) const
{
    for (const auto& m : listOfModules_)
        if (Module* found = m->findModuleByName(name))
            return found->shared_from_this();
    return nullptr;
}

Module::Ptr ModuleList::indexMod(size_t n, bool ignoreComments) const
{
    if (!ignoreComments)
        return moduleAtIndex(n);
    for (const auto& m : listOfModules_) {
        if (m->isComment())
            continue;
        if (n-- == 0)
            return m;
    }
    return nullptr;
}

size_t ModuleList::modIndex(const Module* module, bool ignoreComments) const
{
    size_t position = 0;
    for (const auto& m : listOfModules_) {
        if (m.get() == module)
            return position;
        if (!ignoreComments || !m->isComment())
            ++position;
    }
    return npos;
}

ModuleList::FieldList ModuleList::fieldsConnectedTo(const ModuleField& output) const
{
    FieldList result;
    for (const auto& m : listOfModules_)
        for (const auto& f : m->fieldArray())
            if (f->source().get() == &output)
                result.push_back(f);
    return result;
}

size_t ModuleList::numberOfFieldsConnectedTo(const ModuleField& output) const
{
    size_t n = 0;
    for (const auto& m : listOfModules_)
        for (const auto& f : m->fieldArray())
            if (f->source().get() == &output)
                ++n;
    return n;
}

void ModuleList::getModules(List& collection, const ModuleField& field) const
{
    for (const auto& m : listOfModules_) {
        for (const auto& f : m->fieldArray()) {
            if (f->source().get() == &field || f == field.source()) {
                addOnce(collection, m);
                break;
            }
        }
    }
}

void ModuleList::appendModulesConnectedTo(const ModuleField& field, List& collection) const
{
    for (const auto& m : listOfModules_) {
        for (const auto& f : m->fieldArray()) {
            if (f->source().get() == &field) {
                addOnce(collection, m);
                break;
            }
        }
    }
}

ModuleList::FieldList ModuleList::validConnectionsFor(const ModuleField& field) const
{
    FieldList result;
    for (const auto& m : listOfModules_)
        for (const auto& f : m->fieldArray())
            if (f.get() != &field && field.typeIsCompatableWith(*f))
                result.push_back(f);
    return result;
}

Module::FieldPtr ModuleList::hasInputFrom(const Module* module, int keyType) const
{
    for (const auto& m : listOfModules_)
        if (auto f = m->hasInputFrom(module, keyType))
            return f;
    return nullptr;
}

Module::FieldPtr ModuleList::hasOutputTo(const Module* module, int keyType) const
{
    if (!module)
        return nullptr;
    for (const auto& m : listOfModules_)
        if (auto f = module->hasInputFrom(m.get(), keyType))
            return f;
    return nullptr;
}

int ModuleList::hasWPFields() const
{
    int n = 0;
    for (const auto& m : listOfModules_)
        n += m->hasWPFields();
    return n;
}

Rect ModuleList::visibleArea(int showMode) const
{
    Rect area;
    for (const auto& m : listOfModules_)
        if (const int rows = ModuleGeometry::measure(*m, showMode).rows; rows > 0)
            area = area.united(ModuleGeometry::graphicRect(ModuleGeometry::box(*m, rows)));
    return area;
}

ModuleList::FieldList ModuleList::nameFieldList(bool superOk) const
{
    FieldList list;
    list.reserve(listOfModules_.size());
    for (const auto& m : listOfModules_)
        m->addToNameFieldList(list, superOk);
    return list;
}

bool ModuleList::isModuleNameUnique(const std::string& name) const
{
    for (const auto& f : nameFieldList(true))
        if (f->text() == name)
            return false;
    return true;
}

std::string ModuleList::representation(int saveFlags) const
{
    std::string buffer;
    saveModules(buffer, listOfModules_.empty() ? std::string() : std::string(listOfModules_.front()->instanceName()),
                saveFlags);
    return buffer;
}

void ModuleList::saveModules(std::string& buffer, const std::string& headName, int saveFlags) const
{
    for (const auto& m : listOfModules_)
        m->save(buffer, headName, saveFlags);
}

void ModuleList::copyConnections(const ModuleList& other)
{
    const char* const kName = "ModuleList.copyConnections";
    if (other.moduleCount() != moduleCount())
        throw TkxException(kName, "ModuleList.copyConnections ModuleList counts not equal");
    std::unordered_map<const Module*, size_t> positions;
    positions.reserve(other.moduleCount());
    for (size_t i = 0; i < other.moduleCount(); ++i)
        positions.emplace(other.listOfModules_[i].get(), i);

    for (size_t i = 0; i < moduleCount(); ++i) {
        const Module& theirs = *other.listOfModules_[i];
        const Module& mine = *listOfModules_[i];
        if (theirs.fieldCount() != mine.fieldCount())
            throw TkxException(kName, "ModuleList.copyConnections Module field counts not equal");
        for (size_t j = 0; j < theirs.fieldCount(); ++j) {
            const Module::FieldPtr& source = theirs.fieldArray()[j]->source();
            if (!source)
                continue;
            Module::FieldPtr newSource = source;
            Module* sourceModule = source->trueParent();
            auto at = sourceModule ? positions.find(sourceModule) : positions.end();
            if (at != positions.end()) {
                size_t index = sourceModule->fieldIndex(*source);
                Module::Ptr counterpart = moduleAtIndex(at->second);
                if (!counterpart)
                    throw TkxException(kName, "ModuleList.copyConnections mySourceMod not found");
                newSource = counterpart->indexField(index);
            }
            if (!newSource)
                throw TkxException(kName, "ModuleList.copyConnections mySourceField not found");
            const Module::FieldPtr& target = mine.fieldArray()[j];
            if (target->source() == newSource)
                continue;
            // A new wire: the counts follow it, so that every output's count
            // stays the number of inputs it feeds.
            target->changeSourceReferenceCount(-1);
            target->setSource(newSource);
            target->changeSourceReferenceCount(1);
        }
    }
}

namespace {

// Whether a field read in a paste has a pin: pasted modules stand as read,
// every pin of a placed one shown.
bool hasPastePin(const Module& module, const ModuleField& field)
{
    const Module* owner = field.parent();
    if (!module.isPlaced() && !(owner && owner->isPlaced()))
        return false;
    if (field.isHidden() || !field.entry())
        return false;
    switch (field.type()) {
    case OperatorEntry::ED_SIGNAL:
    case OperatorEntry::ED_CONTROL:
    case OperatorEntry::ED_USEROBJ:
    case OperatorEntry::SIGNAL:
    case OperatorEntry::CONTROL:
    case OperatorEntry::USEROBJ:
        return true;
    default:
        return false;
    }
}

} // namespace

void ModuleList::resetConnections()
{
    std::string ignored;
    for (const auto& m : listOfModules_) {
        for (const auto& f : m->fieldArray()) {
            if (f->source() || !hasPastePin(*m, *f))
                continue;
            int type = f->type();
            std::string byDefault = f->entryName(OperatorField::DEFAULT);
            if (type == OperatorEntry::ED_SIGNAL || type == OperatorEntry::ED_USEROBJ)
                f->setText(byDefault);
            else if (type == OperatorEntry::ED_CONTROL && !f->isValueValid(std::string(f->text()), ignored))
                f->setText(byDefault);
        }
    }
}

void ModuleList::makeNameUnique(Module& module, char delim) const
{
    ModuleNameIndex names(nameFieldList(true));
    module.makeNameUnique(names, delim);
}

void ModuleList::makeNamesUnique(const List& newModules, char delim) const
{
    ModuleNameIndex names(nameFieldList(true));
    for (const auto& m : newModules)
        m->makeNameUnique(names, delim);
}

void ModuleList::makeNamesUniqueIgnoringCase(const List& newModules) const
{
    ModuleNameIndex names(nameFieldList(true), true);
    std::vector<Module*> pending;
    for (auto it = newModules.rbegin(); it != newModules.rend(); ++it)
        pending.push_back(it->get());
    while (!pending.empty()) {
        Module* m = pending.back();
        pending.pop_back();
        if (m->opstartNameField())
            m->makeNameUnique(names, 0);
        if (auto* group = m->asGroup()) {
            const auto& members = group->moduleList().moduleArray();
            for (auto it = members.rbegin(); it != members.rend(); ++it)
                pending.push_back(it->get());
        }
    }
}

} // namespace tosk
