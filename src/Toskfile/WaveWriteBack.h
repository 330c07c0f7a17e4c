#pragma once

#include <string>
#include <vector>

namespace tosk {

// What writing a point table back into its module takes, worked out without
// touching the module so that the edit layer can carry it out as one undo
// step: first the repetitions, then the values.
struct WaveWriteBack {
    struct Value {
        std::string fieldName; // the point field's NAME ("point5", "obj2_delay")
        std::string text;      // its new text, within the field's limits
        bool operator==(const Value&) const = default;
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
    // every added point and every existing point whose text changes.
    std::vector<Value> values;
    // Some value lay outside its field's limits and was clamped (or, when
    // no text within them could be made, left out).
    bool clamped = false;

    bool empty() const { return repetitionChange == 0 && values.empty(); }
};

} // namespace tosk
