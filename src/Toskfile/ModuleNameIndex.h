// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ModuleField.h"

#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tosk {

// The instance-name fields a new name is checked against (the caller keeps
// them alive while the index is in use), indexed by text so
// that naming n modules costs n log n rather than n squared. It also
// remembers, per name base, which counters were found taken, so that a run
// of modules all called "osc" does not count up from 1 each time.
//
// With ignoreCase, "OSC1" takes "osc1" too: the names the editor gives must
// differ in more than case, because references are looked up without
// regard to case.
class ModuleNameIndex {
public:
    ModuleNameIndex() = default;
    explicit ModuleNameIndex(const std::vector<FieldRef>& fields, bool ignoreCase = false);

    // Adds a field (once) with its current text.
    void add(FieldRef field);
    bool contains(const ModuleField* field) const { return members_.count(field) != 0; }
    // Whether a field other than `self` has exactly this text.
    bool isTakenByOther(const std::string& text, const ModuleField* self) const;
    // Sets a field's text and keeps the index right.
    void rename(ModuleField& field, const std::string& text);

    // Gives an instance-name field a text no other field of the index has:
    // its own text when free, else its base with the first free counter
    // (after the trailing digits, or after `delim` when that is not 0); the
    // field joins the index.
    void makeUnique(FieldRef nameField, char delim);

    // The first counter from `start` whose candidate isFree accepts; counters
    // already known to be taken for this base are skipped.
    int firstFreeCounter(const std::string& base, int start, const std::function<bool(int)>& isFree);
    // Records that the candidate of this counter is now taken.
    void markTaken(const std::string& base, int counter);

private:
    std::string key(std::string_view text) const;

    bool ignoreCase_ = false;
    std::unordered_set<const ModuleField*> members_;
    std::unordered_map<std::string, int> counts_;
    // base -> counter -> a counter at or after which the next free one lies.
    std::unordered_map<std::string, std::unordered_map<int, int>> skips_;
};

} // namespace tosk
