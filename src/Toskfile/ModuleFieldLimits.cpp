// SPDX-License-Identifier: GPL-3.0-or-later
// A field's limits: reading its specifiers, checking a value against them, and stepping a number within them.
#include "Toskfile/ModuleField.h"

#include "Toskfile/Module.h"
#include "Toskfile/MyExtensions.h"
#include "Toskfile/SigFile.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "database/OperatorEntry.h"

namespace tosk {

std::string ModuleField::getSpecifier(int code) const
{
    std::string s = entryName(code);
    if (s.empty())
        return s;
    if (s[0] == '=') {
        if (parent())
            return parent()->processStackExpression(s.substr(1));
        Module alone;
        return alone.processStackExpression(s.substr(1));
    }
    if (s[0] == '@') {
        if (!parent())
            return std::string();
        FieldRef f = parent()->field(s.substr(1));
        return f ? f->m_Text.str() : std::string();
    }
    return s;
}

bool ModuleField::isValueValid(const std::string& value, std::string& errorMsg) const
{
    int t = type();
    // The message is the user's; the description is the database's text.
    const std::string description = latin1ToUtf8(entryName(OperatorField::DESCRIPTION));
    const char* d = description.c_str();

    if (OperatorEntry::isIntegerType(t)) {
        if (!isInteger(value)) {
            errorMsg += format("%s must be an integer value.\n", d);
            return false;
        }
        int minimum = OperatorField::integerValue(getSpecifier(OperatorField::MINIMUM));
        int maximum = OperatorField::integerValue(getSpecifier(OperatorField::MAXIMUM));
        int v = OperatorField::integerValue(value);
        if (v < minimum || v > maximum) {
            errorMsg += format("%s must be between %i and %i.\n", d, minimum, maximum);
            return false;
        }
        return true;
    }
    if (OperatorEntry::isFloatType(t)) {
        if (!isFloat(value)) {
            errorMsg += format("%s must be a decimal value.\n", d);
            return false;
        }
        float minimum = static_cast<float>(OperatorField::decimalValue(getSpecifier(OperatorField::MINIMUM)));
        float maximum = static_cast<float>(OperatorField::decimalValue(getSpecifier(OperatorField::MAXIMUM)));
        float v = static_cast<float>(OperatorField::decimalValue(value));
        if (v < minimum || v > maximum) {
            errorMsg += format("%s must be between %s and %s.\n", d, numberString(minimum).c_str(),
                               numberString(maximum).c_str());
            return false;
        }
        return true;
    }
    if (t == OperatorEntry::ED_STRING) {
        if (value == m_Text.view())
            return true;
        // A string without a storage size (instance names in some databases)
        // has no length limit rather than a limit of nothing.
        std::string storage = getSpecifier(OperatorField::STORAGE_SIZE);
        int limit = OperatorField::integerValue(storage);
        if (!storage.empty() && static_cast<long long>(value.size()) > limit) {
            errorMsg += format("%s must be %i characters or less.\n", d, limit);
            return false;
        }
        if (parent() && parent()->sigFile() && parent()->opstartNameField().get() == this &&
            !parent()->sigFile()->isModuleNameUnique(value)) {
            errorMsg += format("%s is not a unique %s.\n", latin1ToUtf8(value).c_str(), d);
            return false;
        }
        return true;
    }
    if (isInputType(t)) {
        // Text that is not a number names a connection.
        if (!isNumeric(value))
            return true;
        std::string minText = getSpecifier(OperatorField::MINIMUM);
        std::string maxText = getSpecifier(OperatorField::MAXIMUM);
        // Without any numeric limit there is nothing to hold a constant to.
        if (!isNumeric(minText) && !isNumeric(maxText))
            return true;
        float minimum = static_cast<float>(OperatorField::decimalValue(minText));
        float maximum = static_cast<float>(OperatorField::decimalValue(maxText));
        float v = static_cast<float>(OperatorField::decimalValue(value));
        if (v < minimum || v > maximum) {
            errorMsg += format("%s value must be between %s and %s.\n", d, numberString(minimum).c_str(),
                               numberString(maximum).c_str());
            return false;
        }
        return true;
    }
    logf("type = %s", latin1ToUtf8(typeName().value_or("")).c_str());
    return true;
}

bool ModuleField::changeFieldNum(int delta, bool test)
{
    if (isInvisible())
        return false;
    std::string maxText = getSpecifier(OperatorField::MAXIMUM);
    std::string minText = getSpecifier(OperatorField::MINIMUM);
    long long maximum = maxText.empty() ? 32767 : OperatorField::integerValue(maxText);
    long long minimum = minText.empty() ? -32768 : OperatorField::integerValue(minText);
    long long v = static_cast<long long>(OperatorField::integerValue(m_Text)) + delta;
    if (v < minimum || v > maximum)
        return false;
    if (!test)
        setText(std::to_string(v));
    return true;
}

} // namespace tosk
