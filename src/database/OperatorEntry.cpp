// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/OperatorEntry.h"

#include "base/Localization.h"
#include "base/Log.h"

namespace tosk {

namespace {

constexpr const char* typeNames[OperatorEntry::typeCount] = {
    "OPERATOR",
    "OPERATOREND",
    "POINTER",
    "DISTANCE",
    "DATA",
    "INT",
    "LONG",
    "FIXED",
    "FLOAT",
    "STRING",
    "VARASTRING",
    "CONTROL",
    "SIGNAL",
    "USEROBJ",
    "NOTE",
    "CODE",
    "ED_INT",
    "ED_LONG",
    "ED_FIXED",
    "ED_FLOAT",
    "ED_STRING",
    "ED_VARASTRING",
    "ED_CONTROL",
    "ED_SIGNAL",
    "ED_USEROBJ",
    "ED_NOTE",
    "ED_CODE",
    "ED_USER_OBJECT_TYPE",
    "CONST_DATA",
    "CONST_INT",
    "CONST_LONG",
    "CONST_FIXED",
    "CONST_FLOAT",
    "CONST_STRING",
    "CONST_VARASTRING",
    "CONST_CONTROL",
    "CONST_SIGNAL",
    "CONST_USEROBJ",
    "CONST_NOTE",
    "CONST_CODE",
    "CONST_USER_OBJECT_TYPE",
    "INFO",
    "INFO_STRING",
    "MARK",
    "SWITCH",
    "CASE",
    "SWITCHEND",
    "MULTIPLE",
    "MULTIPLEEND",
    "ASSOCIATE",
    "ASSOCIATEEND",
    "OFFSET",
    "TACKON",
    "TACKONEND",
    "COLLECT",
};

const std::string& emptyText()
{
    static const std::string empty;
    return empty;
}

// Bytes that end a key or a value: line ends and other control bytes. Bytes
// of 128 and above are 8-bit text and stay in the value.
bool endsText(char c)
{
    return static_cast<unsigned char>(c) < ' ';
}

} // namespace

const char* OperatorEntry::typeName(int32_t code)
{
    return code >= 0 && code < typeCount ? typeNames[code] : nullptr;
}

int32_t OperatorEntry::typeCode(std::string_view name)
{
    for (int32_t i = 0; i < typeCount; ++i)
        if (name == typeNames[i])
            return i;
    if (name == "ED_REAL")
        return ED_FLOAT;
    if (name == "ED_INTEGER")
        return ED_LONG;
    return -1;
}

void OperatorEntry::addField(std::unique_ptr<OperatorField> field)
{
    if (!field)
        return;
    if (field->fieldType() == OperatorField::TYPE) {
        if (auto* typeField = dynamic_cast<OperatorTypeField*>(field.get()))
            entryType_ = typeField->osdType();
        else
            entryType_ = typeCode(field->text());
        operatorData_.insert(operatorData_.begin(), std::move(field));
    } else {
        operatorData_.push_back(std::move(field));
    }
}

OperatorField* OperatorEntry::operatorFieldForType(int32_t keyCode) const
{
    for (const auto& f : operatorData_)
        if (f->fieldType() == keyCode)
            return f.get();
    return nullptr;
}

OperatorField* OperatorEntry::operatorFieldForName(std::string_view text) const
{
    for (const auto& f : operatorData_)
        if (f->text() == text)
            return f.get();
    return nullptr;
}

const std::string& OperatorEntry::nameForType(int32_t keyCode) const
{
    const OperatorField* f = operatorFieldForType(keyCode);
    return f ? f->text() : emptyText();
}

std::string OperatorEntry::description() const
{
    const char* type = typeName(entryType_);
    std::string out = format("type: %s name: %s  fields: ", type ? type : "(null)", name().c_str());
    for (const auto& f : operatorData_)
        out += format("(%s: %s) ", f->fieldDescName().c_str(), f->text().c_str());
    return out;
}

long OperatorEntry::load(const char* bytes, size_t length)
{
    size_t pos = 0;
    for (;;) {
        pos = skipBlanks(bytes, pos, length);
        if (pos >= length)
            return 0; // the text ends before the entry's closing brace
        if (bytes[pos] == '}')
            return static_cast<long>(pos);

        // An item line: KEY ":" VALUE up to the line end. A line without ":"
        // is taken whole as its key, which no key table holds.
        size_t keyStart = pos;
        while (pos < length && bytes[pos] != ':' && !endsText(bytes[pos]))
            ++pos;
        std::string_view key(bytes + keyStart, pos - keyStart);
        std::string_view value;
        bool hasColon = pos < length && bytes[pos] == ':';
        if (hasColon) {
            size_t valueStart = ++pos;
            while (pos < length && !endsText(bytes[pos]))
                ++pos;
            value = std::string_view(bytes + valueStart, pos - valueStart);
        }
        std::unique_ptr<OperatorField> field = hasColon ? OperatorField::newField(key, value) : nullptr;
        if (!field) {
            logf("OperatorField is nil for %s", latin1ToUtf8(key).c_str());
            unknownKey_ = std::string(key);
            return -1;
        }
        addField(std::move(field));
    }
}

} // namespace tosk
