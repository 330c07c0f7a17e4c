// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tosk {

// One "KEY:value" item of an operator database entry. The subclass made for an
// item depends on its key (newField); each kind answers its own valueType.
class OperatorField {
public:
    // Item key codes: the part of an item line before the ":".
    enum Key : int32_t {
        NAME = 0,
        TYPE = 1,
        DESCRIPTION = 2,
        MINIMUM = 3,
        MAXIMUM = 4,
        ACTION_SPECIFIER = 5,
        MULTIPLE_COUNT = 6,
        OPERATOR_NAME = 7,
        OPERATOR_CLASS = 8,
        DISPLAY_SIZE = 9,
        STORAGE_SIZE = 10,
        CONNECT_TAG = 11,
        CONNECT_CLASS = 12,
        ATTRIBUTE = 13,
        DEFAULT = 14,
    };
    static constexpr int32_t keyCount = 15;

    OperatorField(); // DEFAULT with ""
    OperatorField(int32_t fieldType, std::string_view text);
    virtual ~OperatorField() = default;
    OperatorField(const OperatorField&) = delete;
    OperatorField& operator=(const OperatorField&) = delete;

    // A new item of the class the key calls for; null when the key is unknown.
    static std::unique_ptr<OperatorField> newField(std::string_view key, std::string_view value);
    // The key's code, -1 when unknown (exact, case-sensitive).
    static int32_t keyCode(std::string_view key);
    // The key text of a code, null outside 0..14.
    static const char* keyName(int32_t code);

    int32_t fieldType() const { return fieldType_; }
    void setFieldType(int32_t fieldType) { fieldType_ = fieldType; }

    const std::string& text() const { return text_; }
    const std::string& subText() const { return text_; }
    void setText(std::string_view text);
    void setText(const char* text); // null gives ""

    virtual int32_t valueType() const { return 0; }
    // The key text of fieldType, or "Unknown OperatorField type".
    std::string fieldDescName() const;

    // The text's leading integer (blanks and a sign allowed), 0 without one.
    int32_t intValue() const { return integerValue(text_); }
    static int32_t integerValue(std::string_view text);
    // The text's leading decimal number, 0 without one.
    static double decimalValue(std::string_view text);

protected:
    virtual void textChanged() {}

private:
    int32_t fieldType_ = DEFAULT;
    std::string text_;
};

class OperatorTextField : public OperatorField {
public:
    using OperatorField::OperatorField;
    int32_t valueType() const override { return 1; }
};

class OperatorNumericField : public OperatorField {
public:
    using OperatorField::OperatorField;
    int32_t valueType() const override { return 2; }
};

// A TYPE item: its text names an entry type, osdType is that type's code.
class OperatorTypeField : public OperatorField {
public:
    OperatorTypeField(int32_t fieldType, std::string_view text);
    int32_t valueType() const override { return 3; }
    int32_t osdType() const { return osdType_; }

protected:
    void textChanged() override;

private:
    int32_t osdType_ = -1;
};

class OperatorClassField : public OperatorField {
public:
    using OperatorField::OperatorField;
    int32_t valueType() const override { return 4; }
};

} // namespace tosk
