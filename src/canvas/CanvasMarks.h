// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"

#include <memory>
#include <vector>

namespace tosk {

class Module;
class ModuleField;

// What the user's interaction puts on the canvas besides the patch: the
// selection, the highlighted pin and module, and the transient marks of a
// connection or order drag and of the rubber band. The canvas keeps one of
// these; the painters read it. Marks are held weakly, so that one whose
// module has died reads as none, and forget() drops those of a module that
// has left the patch.
struct CanvasMarks {
    std::vector<std::weak_ptr<Module>> selectedModules;
    std::weak_ptr<ModuleField> selectedField;
    std::weak_ptr<ModuleField> highlightField;
    std::weak_ptr<Module> highlightModule;
    // The wire clicked (by its input), drawn highlighted; Delete unwires it.
    std::weak_ptr<ModuleField> selectedWire;
    // The wire an operator dragged over would be inserted into.
    std::weak_ptr<ModuleField> highlightWire;
    // (0, 0) when no connection is being dragged.
    Point fieldConnectionPoint;
    // (0, 0) when no order drag is going on.
    Point orderConnectionPoint;
    std::weak_ptr<Module> orderSourceModule;
    // The zero rect when there is no rubber band.
    Rect rubberbandRect;
    // The modules wholly inside the rubber band, drawn as the band will
    // leave them: selected, or with a deselecting band not selected.
    std::vector<std::weak_ptr<Module>> rubberbandModules;
    bool rubberbandIsDeselecting = false;
    // Modules that run before a module feeding them through a wire the user
    // made: their order badges are drawn in the warning colour.
    std::vector<std::pair<std::weak_ptr<Module>, std::weak_ptr<Module>>> orderWarnings;

    // The selected modules still alive.
    std::vector<Module*> selection() const;
    // Drops every mark of the module and of its fields, and those whose
    // module has died.
    void forget(const Module& module);
    // Whether any mark is the module or one of its fields.
    bool refersTo(const Module& module) const;
    // Drops the pin marks of fields no longer in their module (a repetition
    // taken away).
    void forgetRemovedFields();

    // The marks as one paint draws them: the live ones, held for its length.
    struct Shown {
        explicit Shown(const CanvasMarks& marks);
        // Drawn as selected: in the selection, or as the rubber band will
        // leave it.
        bool isSelected(const Module* module) const;
        // One end of a wire against the processing order the user was told of.
        bool warnsOrder(const Module* module) const;

        std::vector<std::shared_ptr<Module>> selectedModules;
        std::shared_ptr<ModuleField> selectedField;
        std::shared_ptr<ModuleField> highlightField;
        std::shared_ptr<Module> highlightModule;
        std::shared_ptr<Module> orderSourceModule;
        std::shared_ptr<ModuleField> selectedWire;
        std::shared_ptr<ModuleField> highlightWire;
        Point fieldConnectionPoint;
        Point orderConnectionPoint;
        Rect rubberbandRect;

    private:
        // Sorted, so that a paint of many modules with many selected asks
        // quickly.
        std::vector<const Module*> selected_;
        std::vector<const Module*> inBand_;
        std::vector<const Module*> orderWarned_;
        bool bandDeselects_ = false;
    };
};

} // namespace tosk
