// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/OpData.h"
#include "database/OperatorField.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tosk {

// One entry of an operator: a field of the module (output, input, parameter),
// a bracket of a repeated group, or the operator's header or end. Its items
// are kept in file order, except that a TYPE item always stands first.
class OperatorEntry : public OpData {
public:
    // Entry type codes, the value of a TYPE item.
    enum Type : int32_t {
        OPERATOR = 0,
        OPERATOREND = 1,
        POINTER = 2,
        DISTANCE = 3,
        DATA = 4,
        INT = 5,
        LONG = 6,
        FIXED = 7,
        FLOAT = 8,
        STRING = 9,
        VARASTRING = 10,
        CONTROL = 11,
        SIGNAL = 12,
        USEROBJ = 13,
        NOTE = 14,
        CODE = 15,
        ED_INT = 16,
        ED_LONG = 17,
        ED_FIXED = 18,
        ED_FLOAT = 19,
        ED_STRING = 20,
        ED_VARASTRING = 21,
        ED_CONTROL = 22,
        ED_SIGNAL = 23,
        ED_USEROBJ = 24,
        ED_NOTE = 25,
        ED_CODE = 26,
        ED_USER_OBJECT_TYPE = 27,
        CONST_DATA = 28,
        CONST_INT = 29,
        CONST_LONG = 30,
        CONST_FIXED = 31,
        CONST_FLOAT = 32,
        CONST_STRING = 33,
        CONST_VARASTRING = 34,
        CONST_CONTROL = 35,
        CONST_SIGNAL = 36,
        CONST_USEROBJ = 37,
        CONST_NOTE = 38,
        CONST_CODE = 39,
        CONST_USER_OBJECT_TYPE = 40,
        INFO = 41,
        INFO_STRING = 42,
        MARK = 43,
        SWITCH = 44,
        CASE = 45,
        SWITCHEND = 46,
        MULTIPLE = 47,
        MULTIPLEEND = 48,
        ASSOCIATE = 49,
        ASSOCIATEEND = 50,
        OFFSET = 51,
        TACKON = 52,
        TACKONEND = 53,
        COLLECT = 54,
    };

    // Whether values of the type are whole numbers, or real numbers.
    static bool isIntegerType(int type)
    {
        return type == INT || type == LONG || type == ED_INT || type == ED_LONG || type == CONST_INT ||
               type == CONST_LONG;
    }
    static bool isFloatType(int type) { return type == FLOAT || type == ED_FLOAT || type == CONST_FLOAT; }
    static constexpr int32_t typeCount = 55;

    OperatorEntry() = default;
    explicit OperatorEntry(int32_t entryType) : entryType_(entryType) {}

    // The name of a type code (operator_name), null outside 0..54.
    static const char* typeName(int32_t code);
    // The code a TYPE text names: exact match, then "ED_REAL" (19) and
    // "ED_INTEGER" (17); -1 for anything else.
    static int32_t typeCode(std::string_view name);

    int32_t entryType() const { return entryType_; }
    void setEntryType(int32_t entryType) { entryType_ = entryType; }

    const std::vector<std::unique_ptr<OperatorField>>& operatorData() const { return operatorData_; }
    size_t count() const { return operatorData_.size(); }
    // Appends an item; a TYPE item goes to the front and sets the entry type.
    void addField(std::unique_ptr<OperatorField> field);

    // The first item of that key code, or null.
    OperatorField* operatorFieldForType(int32_t keyCode) const;
    // The first item whose text equals the string exactly, or null.
    OperatorField* operatorFieldForName(std::string_view text) const;
    // The text of the first item of that key code, "" when there is none.
    const std::string& nameForType(int32_t keyCode) const;
    const std::string& name() const { return nameForType(OperatorField::NAME); }

    // "type: %s name: %s  fields: " and "(%s: %s) " per item.
    std::string description() const;

    long load(const char* bytes, size_t length) override;

private:
    int32_t entryType_ = 0;
    std::vector<std::unique_ptr<OperatorField>> operatorData_;
};

} // namespace tosk
