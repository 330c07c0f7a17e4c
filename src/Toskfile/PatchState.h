// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/PatchComment.h"
#include "base/Geometry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tosk {

class SigFile;

// The parts of a patch one edit may change, kept as they stood, so that
// undo and redo put back exactly that state instead of replaying a gesture:
// the same module objects in the same order, the same boxes, field lists,
// sources, texts, hide counts and flags.
//
// An edit takes a state of what it is about to touch, makes its change,
// then takes after() of the same parts; undo restores the first, redo the
// second. Connection counts follow the restored sources.
class PatchState {
public:
    explicit PatchState(SigFile& patch) : patch_(&patch) {}

    // --- what to keep
    // The module list: which modules are in the patch, in which order.
    void addOrder();
    // A module's box only.
    void addBox(const Module::Ptr& module);
    // A module's box, its field list and every field of it.
    void addModule(const Module::Ptr& module);
    // One field's source, text, hide count and flags.
    void addField(const Module::FieldPtr& field);
    // Every input of the patch fed by one of the modules (or by a module
    // inside one of them).
    void addInputsFedBy(const std::vector<Module*>& modules);

    // The comments: which there are, in which order, with their places and
    // texts.
    void addComments();

    // The same parts as they stand now. With the order kept, the inputs of
    // modules that have come into the patch since are kept too, so that
    // restoring the later state wires them again.
    PatchState after() const;

    // Puts the kept state back. Modules that leave the patch by it lose
    // their wires (a module outside the patch feeds nothing and is fed by
    // nothing); the state they come back in carries them.
    void restore() const;

    // Modules in `other`'s list that are not in this one's (both must keep
    // the order).
    ModuleList::List missingFrom(const PatchState& other) const;
    // The modules kept, in the order kept (boxes and field lists first).
    std::vector<Module::Ptr> modules() const;
    std::vector<Module::FieldPtr> fields() const;
    bool hasOrder() const { return order_.has_value(); }
    SigFile& patch() const { return *patch_; }

private:
    // Held, not just pointed at: a kept field keeps its module alive, and so
    // does a kept source, for as long as this state may be put back.
    struct FieldItem {
        ModuleField::Ptr field;
        ModuleField::Ptr source;
        std::string text;
        uint8_t hideCount = 0;
        uint16_t flags = 0;
    };
    struct ModuleItem {
        Module::Ptr module;
        // The box's place and width, as the file holds them; its height
        // belongs to the view's layout.
        Point origin;
        double width = 0;
        bool placed = false;
        bool withFields = false;
        FieldOrder::Snapshot fieldOrder;
    };

    static FieldItem capture(const Module::FieldPtr& field);
    static void put(const FieldItem& item);
    static void wire(ModuleField& field, const Module::FieldPtr& source);
    void addModuleItem(const Module::Ptr& module, bool withFields);
    void cutWiresFrom(const std::vector<Module::Ptr>& leaving) const;

    SigFile* patch_;
    std::optional<ModuleList::List> order_;
    struct CommentItem {
        PatchComment::Ptr comment;
        PatchComment value;
    };
    std::optional<std::vector<CommentItem>> comments_;
    std::vector<ModuleItem> modules_;
    std::vector<FieldItem> fields_;
    std::unordered_map<const Module*, size_t> moduleIndex_;
    std::unordered_set<const ModuleField*> keptFields_;
};

} // namespace tosk
