// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/OperatorDesc.h"

#include "base/TextCase.h"

#include "base/Log.h"

#include <algorithm>

namespace tosk {

namespace {

constexpr const char* classNames[] = {
    "BRIDGE",     "CONTROLMATH", "CONTROLPROCESS", "DELAY",  "DETECTOR",      "DYNAMIC",
    "EXTERNAL",   "FILTER",      "INTERFACE",      "MATH",   "MISCELLANEOUS", "MIXER",
    "OSCILLATOR", "PITCHSHIFT",  "REVERB",         "SYSTEM", "NODE",          "UNKNOWN",
};

} // namespace

const char* OperatorDesc::className(int32_t classId)
{
    return classId >= 0 && classId <= OP_ID_UNKNOWN ? classNames[classId] : nullptr;
}

int32_t OperatorDesc::classId(std::string_view classText)
{
    std::string upperText = upperCased(classText);
    for (int32_t i = 0; i < OP_ID_UNKNOWN; ++i)
        if (upperText == classNames[i])
            return i;
    return OP_ID_UNKNOWN;
}

bool OperatorDesc::hasName(std::string_view name) const
{
    return equalsIgnoringCase(name_, name);
}

void OperatorDesc::setName(std::string_view name)
{
    name_ = name;
    isMarker_ = containsIgnoringCase(name_, "MARKER");
}

void OperatorDesc::addEntry(std::shared_ptr<OperatorEntry> entry)
{
    if (!entry)
        return;
    if (entry->entryType() == OperatorEntry::OPERATOR) {
        if (const OperatorField* f = entry->operatorFieldForType(OperatorField::OPERATOR_NAME))
            setName(upperCased(f->text()));
        if (const OperatorField* f = entry->operatorFieldForType(OperatorField::OPERATOR_CLASS))
            setOperatorId(f->text());
    }
    if (entry->name() == "scaledata_iterator")
        scaleDataIterators_.push_back(operatorData_.size());
    if (!instanceNameEntry_ && equalsIgnoringCase(entry->name(), "opstart_name"))
        instanceNameEntry_ = entry.get();
    operatorData_.push_back(std::move(entry));
}

std::shared_ptr<OperatorEntry> OperatorDesc::entryAtIndex(size_t index) const
{
    return index < operatorData_.size() ? operatorData_[index] : nullptr;
}

size_t OperatorDesc::indexOfEntry(const OperatorEntry* entry) const
{
    for (size_t i = 0; i < operatorData_.size(); ++i)
        if (operatorData_[i].get() == entry)
            return i;
    return npos;
}

int32_t OperatorDesc::getEntryIndex(const OperatorEntry* entry) const
{
    size_t index = indexOfEntry(entry);
    return index == npos ? -1 : static_cast<int32_t>(index);
}

std::shared_ptr<OperatorEntry> OperatorDesc::findEntryName(std::string_view name, int32_t fieldType) const
{
    for (const auto& entry : operatorData_)
        for (const auto& f : entry->operatorData())
            if (f->fieldType() == fieldType && equalsIgnoringCase(f->text(), name))
                return entry;
    return nullptr;
}

std::shared_ptr<OperatorEntry> OperatorDesc::findEntryKey(int32_t entryType, int32_t fieldType) const
{
    for (const auto& entry : operatorData_)
        if (entry->entryType() == entryType && entry->operatorFieldForType(fieldType))
            return entry;
    return nullptr;
}

std::string OperatorDesc::findEntryText(int32_t entryType, int32_t fieldType) const
{
    auto entry = findEntryKey(entryType, fieldType);
    return entry ? entry->nameForType(fieldType) : std::string();
}

std::string OperatorDesc::description() const
{
    if (operatorData_.empty())
        return name_ + " operatorData is nil";
    std::string out = name_ + format(" operatorData count = %d\n", static_cast<int>(operatorData_.size()));
    for (const auto& entry : operatorData_) {
        const char* type = OperatorEntry::typeName(entry->entryType());
        out += format("    [%s : %s]\n", entry->name().c_str(), type ? type : "(null)");
    }
    return out;
}

long OperatorDesc::load(const char* bytes, size_t length)
{
    size_t pos = skipBlanks(bytes, 0, length);
    // An operator holds at least one entry block.
    if (pos >= length || bytes[pos] == '}')
        return 0;
    for (;;) {
        auto entry = std::make_shared<OperatorEntry>();
        long used = entry->getDataBlock(bytes + pos, length - pos);
        if (used < 1) {
            unknownKey_ = entry->unknownKey();
            return used;
        }
        pos += static_cast<size_t>(used);
        addEntry(std::move(entry));
        pos = skipBlanks(bytes, pos, length);
        if (pos >= length)
            return 0; // the text ends before the operator's closing brace
        if (bytes[pos] == '}')
            return static_cast<long>(pos);
    }
}

} // namespace tosk
