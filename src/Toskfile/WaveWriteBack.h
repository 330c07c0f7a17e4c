// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace tosk {

// What writing a point table back into its module takes, worked out without
// touching the module so that the edit layer can carry it out as one undo
// step: first the repetitions, then the values. Only what the table changed
// is written; what the user should hear of first (points the module changed
// too, values past their fields' limits) is listed apart.
struct WaveWriteBack {
    struct Value {
        std::string fieldName; // the point field's NAME ("point5", "obj2_delay")
        std::string text;      // its new text, within the field's limits
        bool operator==(const Value&) const = default;
    };
    // A point changed both in the table and in the module since the table
    // read it.
    struct Conflict {
        std::string fieldName;
        std::string tableText;  // what the table would write (it is among the values)
        std::string moduleText; // what the module holds now
        bool operator==(const Conflict&) const = default;
    };
    // A value of the table its field cannot take as it is.
    struct Limited {
        std::string fieldName;
        std::string wanted; // the table's value
        std::string text;   // what is written instead; empty: the value is left out
        bool operator==(const Limited&) const = default;
    };

    // Repetitions to add (above 0) or remove (below 0).
    int repetitionChange = 0;
    // The last point field of the module as it is: added repetitions go
    // after it, and removing starts with it.
    std::string lastPointName;
    // The point fields whose repetitions go, the highest first (as many as
    // -repetitionChange).
    std::vector<std::string> removedPointNames;
    // The texts to set once the repetitions are in place, in point order:
    // every added point and every existing point the table changed.
    std::vector<Value> values;
    std::vector<Conflict> conflicts;
    std::vector<Limited> limited;

    bool empty() const { return repetitionChange == 0 && values.empty(); }
    // Leaves every conflicting point as the module has it: its value goes
    // from the plan, and so does what was said of its limits.
    void keepModuleValues();
};

} // namespace tosk
