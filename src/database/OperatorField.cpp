// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/OperatorField.h"

#include "database/OperatorEntry.h"

#include "base/NumberText.h"

#include <charconv>

namespace tosk {

namespace {

constexpr const char* keyNames[OperatorField::keyCount] = {
    "NAME",           "TYPE",          "DESCRIPTION",    "MINIMUM",      "MAXIMUM",      "ACTION_SPECIFIER",
    "MULTIPLE_COUNT", "OPERATOR_NAME", "OPERATOR_CLASS", "DISPLAY_SIZE", "STORAGE_SIZE", "CONNECT_TAG",
    "CONNECT_CLASS",  "ATTRIBUTE",     "DEFAULT",
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Skips leading blanks and a sign; answers whether the sign was "-".
bool skipBlanksAndSign(std::string_view text, size_t& i)
{
    while (i < text.size() && isSpace(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        return text[i++] == '-';
    return false;
}

} // namespace

OperatorField::OperatorField() = default;

OperatorField::OperatorField(int32_t fieldType, std::string_view text) : fieldType_(fieldType), text_(text) {}

int32_t OperatorField::keyCode(std::string_view key)
{
    for (int32_t i = 0; i < keyCount; ++i)
        if (key == keyNames[i])
            return i;
    return -1;
}

const char* OperatorField::keyName(int32_t code)
{
    return code >= 0 && code < keyCount ? keyNames[code] : nullptr;
}

std::unique_ptr<OperatorField> OperatorField::newField(std::string_view key, std::string_view value)
{
    int32_t code = keyCode(key);
    switch (code) {
    case -1:
        return nullptr;
    case TYPE:
        return std::make_unique<OperatorTypeField>(code, value);
    case OPERATOR_CLASS:
        return std::make_unique<OperatorClassField>(code, value);
    case DISPLAY_SIZE:
    case STORAGE_SIZE:
        return std::make_unique<OperatorNumericField>(code, value);
    default:
        return std::make_unique<OperatorTextField>(code, value);
    }
}

void OperatorField::setText(std::string_view text)
{
    text_.assign(text.data(), text.size());
    textChanged();
}

void OperatorField::setText(const char* text)
{
    setText(std::string_view(text ? text : ""));
}

std::string OperatorField::fieldDescName() const
{
    const char* key = keyName(fieldType_);
    return key ? key : "Unknown OperatorField type";
}

int32_t OperatorField::integerValue(std::string_view text)
{
    return leadingInteger(text);
}

double OperatorField::decimalValue(std::string_view text)
{
    size_t i = 0;
    const bool negative = skipBlanksAndSign(text, i);
    // Whole numbers, such as every position in a patch, are exact in a
    // double up to 15 digits: no need for the general parse.
    size_t end = i;
    int64_t whole = 0;
    while (end < text.size() && end - i < 16 && text[end] >= '0' && text[end] <= '9')
        whole = whole * 10 + (text[end++] - '0');
    if (end > i && end - i < 16 && (end == text.size() || text[end] != '.')) {
        const double value = static_cast<double>(whole);
        return negative ? -value : value;
    }
    // from_chars ignores the C locale, which the GUI may have changed.
    double value = 0;
    auto result = std::from_chars(text.data() + i, text.data() + text.size(), value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return 0;
    return negative ? -value : value;
}

OperatorTypeField::OperatorTypeField(int32_t fieldType, std::string_view text) : OperatorField(fieldType, text)
{
    osdType_ = OperatorEntry::typeCode(text);
}

void OperatorTypeField::textChanged()
{
    osdType_ = OperatorEntry::typeCode(text());
}

} // namespace tosk
