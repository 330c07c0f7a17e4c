// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tosk {

class SigFile;

// How one patch ("mine": the patch in a window) differs from another
// ("theirs": its file on disk, another version of it, a unit's copy).
//
// Modules are paired by instance name (a group's members by their names
// inside paired groups), the rest by operator and position: first those at
// the same place on the canvas, then in processing order. A module of one
// side only is added or removed; a pair differs in its fields (value or
// source, and hide count), its box, its place in the processing order. The
// title and the author are compared beside the modules.
//
// Both patches are compared as they were read, so whitespace, quoting and
// number spellings that read back the same are no differences: numbers in
// fields that hold numbers are compared as numbers ("440" and "440.0").
// Wires are compared by what they join, not by the names they are written
// with: renaming a module does not change the inputs it feeds.
//
// The comparison keeps both sides' modules alive, so that it can be shown
// and taken from after the other patch is gone.
class PatchComparison {
public:
    enum class Mode {
        // Two patches, everything as described above.
        Patches,
        // A unit's copy of the patch, as Update Parameters takes it: the
        // k-th named module with the k-th (a group as one module), only the
        // values the update would take (Module::differingParameters). When
        // an operator or a field count differs at some place, or the counts
        // of modules differ (or the patch has none), the patches do not
        // match and nothing is compared.
        UnitCopy,
    };

    struct FieldDifference {
        enum class Aspect { Value, HideCount };
        Aspect aspect = Aspect::Value;
        // The field's name, its repetition number in place.
        std::string name;
        // None on the side that lacks the field (a repetition more or less).
        ModuleField::Ptr mine, theirs;
        // As shown: the text, an input's source ("v1/osc-out"), or the hide
        // count; none where the field is missing. A unit's copy gives both
        // fields' texts as they are.
        std::optional<std::string> before, after;
    };

    struct ModuleDifference {
        enum class Kind { Added, Removed, Moved, Changed };
        Kind kind = Kind::Changed;
        // None on the side that lacks the module.
        Module::Ptr mine, theirs;
        // The module's path (theirs for an added module), and its path in
        // the other patch when both have it.
        std::string path, theirsPath;
        // The operator's name, or "group" and the group's type name.
        std::string operatorName;
        // The box differs (a changed module may have moved too): "x,y" as
        // the file keeps them, none when it has no position.
        bool moved = false;
        std::optional<std::string> positionBefore, positionAfter;
        std::vector<FieldDifference> fields;
    };

    // A module that holds another place in the processing order: it follows
    // `before` here and `after` there (paths, "" when first).
    struct OrderDifference {
        Module::Ptr mine, theirs;
        std::string path;
        std::string before, after;
    };

    // A wire of one side only: source "module-tag" to input "module-field"
    // (paths). `inField` says whether a field difference of a module both
    // patches have shows it too.
    struct WireDifference {
        ModuleField::Ptr input;
        std::string from, to;
        bool inField = false;
    };

    struct TextDifference {
        std::string before, after;
    };

    // What a user can pick to take from the other patch: a whole module
    // difference, one field of it, the title, the author or a place in the
    // processing order.
    struct Choice {
        enum class Part { Module, Field, Title, Author, Order };
        Part part = Part::Module;
        size_t index = 0; // into modules() or order()
        size_t field = 0; // into modules()[index].fields
    };

    static PatchComparison compare(const SigFile& mine, const SigFile& theirs, Mode mode = Mode::Patches);

    // False when a unit's copy is not of the patch's shape.
    bool matches() const { return matches_; }
    // Nothing differs.
    bool same() const;
    const SigFile* minePatch() const { return mine_; }
    const std::vector<ModuleDifference>& modules() const { return modules_; }
    const std::optional<TextDifference>& title() const { return title_; }
    const std::optional<TextDifference>& author() const { return author_; }
    const std::vector<OrderDifference>& order() const { return order_; }
    const std::vector<WireDifference>& wiresAdded() const { return wiresAdded_; }
    const std::vector<WireDifference>& wiresRemoved() const { return wiresRemoved_; }
    // Every difference, for taking all of them.
    std::vector<Choice> allChoices() const;

    // The module paired with one of the other side; none when unpaired.
    Module* theirsFor(const Module* mine) const;
    Module* mineFor(const Module* theirs) const;
    // The other patch's modules in its processing order (nodes left out).
    const std::vector<Module::Ptr>& theirsTopLevel() const { return theirsTop_; }

    // Whether two texts of a field of that type read as the same value:
    // equal, or (but in string fields) both numbers of the same value.
    static bool sameValue(std::string_view a, std::string_view b, int fieldType);

private:
    friend class PatchComparer;

    bool matches_ = true;
    const SigFile* mine_ = nullptr;
    std::vector<ModuleDifference> modules_;
    std::optional<TextDifference> title_, author_;
    std::vector<OrderDifference> order_;
    std::vector<WireDifference> wiresAdded_, wiresRemoved_;
    std::vector<Module::Ptr> theirsTop_;
    // Both sides' modules, members included, kept alive with the pairing.
    std::vector<Module::Ptr> kept_;
    std::unordered_map<const Module*, Module*> mineToTheirs_, theirsToMine_;
};

} // namespace tosk
