// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "database/OpData.h"
#include "database/OperatorEntry.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tosk {

// One operator of the database: its name, its class and its entries in file
// order. Entries are shared so that the modules built from them keep them
// alive whatever happens to the database.
class OperatorDesc : public OpData {
public:
    // Operator class ids: the index of the OPERATOR_CLASS text in the class table.
    enum ClassId : int32_t {
        OP_ID_BRIDGE = 0,
        OP_ID_CONTROLMATH = 1,
        OP_ID_CONTROLPROCESS = 2,
        OP_ID_DELAY = 3,
        OP_ID_DETECTOR = 4,
        OP_ID_DYNAMIC = 5,
        OP_ID_EXTERNAL = 6,
        OP_ID_FILTER = 7,
        OP_ID_INTERFACE = 8,
        OP_ID_MATH = 9,
        OP_ID_MISCELLANEOUS = 10,
        OP_ID_MIXER = 11,
        OP_ID_OSCILLATOR = 12,
        OP_ID_PITCHSHIFT = 13,
        OP_ID_REVERB = 14,
        OP_ID_SYSTEM = 15,
        OP_ID_NODE = 16,
        OP_ID_UNKNOWN = 17,
    };
    static constexpr size_t npos = static_cast<size_t>(-1);

    OperatorDesc() = default;

    // The class text of an id: the table's names for 0..16, "UNKNOWN" for 17,
    // null otherwise.
    static const char* className(int32_t classId);
    // The id of a class text, upper-cased first; 17 when it names no class.
    static int32_t classId(std::string_view classText);

    const std::string& name() const { return name_; }
    void setName(std::string_view name);
    // Whether the name holds "MARKER", case ignored: asked of every module
    // each time a patch is put in order.
    bool isMarker() const { return isMarker_; }
    // Whether the operator is called that, case ignored.
    bool hasName(std::string_view name) const;
    int32_t operatorId() const { return operatorId_; }
    void setOperatorId(std::string_view classText) { operatorId_ = classId(classText); }
    const char* operatorName() const { return className(operatorId_); }

    const std::vector<std::shared_ptr<OperatorEntry>>& operatorData() const { return operatorData_; }
    size_t count() const { return operatorData_.size(); }
    // Appends an entry; a header entry (type 0) names and classifies the
    // operator from its OPERATOR_NAME and OPERATOR_CLASS items.
    void addEntry(std::shared_ptr<OperatorEntry> entry);

    // Whether the entry there is named "scaledata_iterator" (reading a patch
    // logs those), known from when the entries were added.
    bool isScaleDataIterator(size_t index) const
    {
        return std::find(scaleDataIterators_.begin(), scaleDataIterators_.end(), index) != scaleDataIterators_.end();
    }

    // The first entry named "opstart_name" (case ignored), which holds a
    // module's instance name; none when the operator has none.
    const OperatorEntry* instanceNameEntry() const { return instanceNameEntry_; }

    std::shared_ptr<OperatorEntry> entryAtIndex(size_t index) const;
    std::shared_ptr<OperatorEntry> getIndexEntry(size_t index) const { return entryAtIndex(index); }
    size_t indexOfEntry(const OperatorEntry* entry) const;   // npos when absent
    int32_t getEntryIndex(const OperatorEntry* entry) const; // -1 when absent

    // The first entry with an item of that key code whose text equals name,
    // case ignored.
    std::shared_ptr<OperatorEntry> findEntryName(std::string_view name, int32_t fieldType = OperatorField::NAME) const;
    // The first entry of that type that has an item of that key code.
    std::shared_ptr<OperatorEntry> findEntryKey(int32_t entryType, int32_t fieldType = OperatorField::NAME) const;
    // That item's text as written; "" when there is none.
    std::string findEntryText(int32_t entryType, int32_t fieldType = OperatorField::NAME) const;

    std::string description() const;

    long load(const char* bytes, size_t length) override;

private:
    std::string name_;
    bool isMarker_ = false;
    int32_t operatorId_ = OP_ID_UNKNOWN;
    std::vector<std::shared_ptr<OperatorEntry>> operatorData_;
    std::vector<size_t> scaleDataIterators_;
    const OperatorEntry* instanceNameEntry_ = nullptr;
};

} // namespace tosk
