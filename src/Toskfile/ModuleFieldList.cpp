// SPDX-License-Identifier: GPL-3.0-or-later
// Module's list of fields: adding, inserting, removing, indexing, and looking fields up by name.
#include "Toskfile/Module.h"

#include "Toskfile/InstanceCounter.h"
#include "base/Log.h"
#include "base/TextCase.h"
#include "base/TkxException.h"

#include <optional>

namespace tosk {

namespace {

[[noreturn]] void inconsistency(const std::string& operation, const std::string& reason)
{
    throw TkxException(operation, reason);
}

} // namespace

// ---------------------------------------------------------------- field list

void Module::addField(FieldPtr field)
{
    listOfFields.push_back(field);
}

Module::FieldPtr Module::fieldAtIndex(size_t index) const
{
    return index < listOfFields.size() ? listOfFields[index] : nullptr;
}

Module::FieldPtr Module::lastField() const
{
    return listOfFields.empty() ? nullptr : listOfFields.back();
}

size_t Module::indexOfField(const ModuleField* field) const
{
    return listOfFields.indexOf(field);
}

void Module::insertField(FieldPtr field, size_t index)
{
    if (index >= listOfFields.size())
        listOfFields.push_back(field);
    else
        listOfFields.insert(index, field);
}

void Module::insertField(FieldPtr field, const ModuleField& after)
{
    size_t at = indexOfField(&after);
    if (at != npos)
        insertField(std::move(field), at + 1);
}

void Module::replaceFieldAtIndex(size_t index, FieldPtr field)
{
    if (index < listOfFields.size())
        listOfFields.set(index, field);
}

void Module::removeField(const ModuleField* field)
{
    size_t at = indexOfField(field);
    if (at != npos)
        removeFieldAtIndex(at);
}

void Module::removeFieldAtIndex(size_t index)
{
    if (index < listOfFields.size())
        listOfFields.erase(index);
}

void Module::removeAllFields()
{
    listOfFields.clear();
}

Module::FieldPtr Module::visibleFieldAtIndex(size_t index) const
{
    for (const auto& f : listOfFields) {
        if (f->isAlwaysHidden() || f->isInvisible())
            continue;
        if (index-- == 0)
            return f;
    }
    return nullptr;
}

size_t Module::visibleFieldCount() const
{
    size_t n = 0;
    for (const auto& f : listOfFields)
        if (!f->isAlwaysHidden() && !f->isInvisible())
            ++n;
    return n;
}

size_t Module::fieldIndex(const ModuleField& field) const
{
    size_t at = indexOfField(&field);
    if (at == npos)
        inconsistency("Module.fieldIndex", "pTarget not found");
    return at;
}

Module::FieldPtr Module::indexField(size_t index) const
{
    if (index == npos)
        return nullptr;
    if (index >= listOfFields.size())
        inconsistency("Module.indexField", format("invalid index: %d", static_cast<int>(index)));
    return listOfFields[index];
}

// ---------------------------------------------------------------- lookup

Module::FieldPtr Module::field(const std::string& name, int code) const
{
    // Repetition numbers are counted along the way rather than field by
    // field, so a lookup stays linear in modules with many repetitions; and
    // only once a repeated name could match, so that looking up an output
    // of a table of 129 points counts nothing.
    std::optional<InstanceCounter> instances;
    size_t counted = 0;
    int instance = 0;
    for (size_t i = 0; i < listOfFields.size(); ++i) {
        const FieldPtr& f = listOfFields[i];
        if (!f->entry())
            continue;
        const std::string& raw = f->entry()->nameForType(code);
        size_t tilde = f->iterator() ? raw.rfind('~') : std::string::npos;
        if (tilde == std::string::npos) {
            if (equalsIgnoringCase(raw, name))
                return f;
            continue;
        }
        if (name.size() < tilde ||
            !equalsIgnoringCase(std::string_view(raw).substr(0, tilde), std::string_view(name).substr(0, tilde)))
            continue;
        if (!instances)
            instances.emplace();
        while (counted <= i)
            instance = instances->next(*listOfFields[counted++]);
        if (equalsIgnoringCase(ModuleField::setIteration(instance, raw), name))
            return f;
    }
    return nullptr;
}

std::string Module::fieldText(const std::string& name, int code) const
{
    FieldPtr f = field(name, code);
    return f ? std::string(f->text()) : std::string();
}

bool Module::setFieldText(const std::string& name, const std::string& text, int code)
{
    FieldPtr f = field(name, code);
    if (!f)
        return false;
    f->setText(text);
    return true;
}

Module::FieldPtr Module::findCorrespondingFieldByName(const std::string& name) const
{
    for (const auto& f : listOfFields)
        if (f->name() == name)
            return f;
    return nullptr;
}

Module::FieldPtr Module::hasInputFrom(const Module* module, int keyType) const
{
    for (const auto& f : listOfFields) {
        if (!f->isInput() || !f->source())
            continue;
        if (keyType != -1 && f->targetType() != keyType)
            continue;
        if (!module || f->connectedTo(*module))
            return f;
    }
    return nullptr;
}

} // namespace tosk
