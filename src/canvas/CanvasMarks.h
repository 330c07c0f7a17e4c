#pragma once

#include "base/Geometry.h"

#include <algorithm>
#include <vector>

namespace tosk {

class Module;
class ModuleField;

// What the user's interaction puts on the canvas besides the patch: the
// selection, the highlighted pin and module, and the transient marks of a
// connection or order drag and of the rubber band. The canvas keeps one of
// these; the painters read it.
struct CanvasMarks {
    std::vector<Module*> selectedModules;
    ModuleField* selectedField = nullptr;
    ModuleField* highlightField = nullptr;
    Module* highlightModule = nullptr;
    // (0, 0) when no connection is being dragged.
    Point fieldConnectionPoint;
    // (0, 0) when no order drag is going on.
    Point orderConnectionPoint;
    Module* orderSourceModule = nullptr;
    // The zero rect when there is no rubber band.
    Rect rubberbandRect;

    bool isSelected(const Module* module) const
    {
        return std::find(selectedModules.begin(), selectedModules.end(), module) != selectedModules.end();
    }
};

} // namespace tosk
