// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ModuleField.h"
#include "base/Geometry.h"

#include <vector>

namespace tosk {

class CanvasLayout;
class Module;
class ModuleList;

// What lies at a point of the canvas, asked of the laid-out patch in canvas
// points: the view's CanvasLayout says which modules are drawn and what its
// show mode shows. Containment is the canvas's: the left and
// top edges of a rect belong to it, the right and bottom ones do not.
class CanvasHitTest {
public:
    // How near a click must come to a wire to hit it.
    static constexpr double kWireSlop = 3;

    // What a click lands on: a module, and a pin of it or of the head.
    struct Hit {
        Module* module = nullptr;
        ModuleField::Ptr field;
    };

    // The last module of the list whose box holds the point (the head too).
    static Module* moduleUnderPoint(const CanvasLayout& layout, const ModuleList& patch, const Point& point);
    // The last drawn module whose graphic rect (box and pin margins) holds
    // the point; a module that is not drawn is near nothing.
    static Module* moduleNearPoint(const CanvasLayout& layout, const ModuleList& patch, const Point& point);
    // Drawn modules whose box meets the rect, or lies wholly inside it.
    static std::vector<Module*> modulesIntersectingRect(const CanvasLayout& layout, const ModuleList& patch,
                                                        const Rect& rect);
    static std::vector<Module*> modulesContainedInRect(const CanvasLayout& layout, const ModuleList& patch,
                                                       const Rect& rect);
    // The union of the modules' graphic rects; the zero rect for none.
    static Rect boundsForModules(const CanvasLayout& layout, const std::vector<Module*>& modules);
    // The module's graphic rect with the pins at both ends of every drawn
    // wire that touches it: what moving it changes on the canvas.
    static Rect connectedDirtyRect(const CanvasLayout& layout, const ModuleList& patch, const Module& module);

    // What a click at the point lands on. The module near the point and its
    // pin there; without a pin, the module only when the point is in its box
    // (for the head, only while order badges are shown). With no module
    // near, a box of the head. Nothing else hits.
    static Hit hitAt(const CanvasLayout& layout, const ModuleList& patch, Module* head, const Point& point);
    // The pin (a module's, or a box of the head) a click at the point
    // lands on; none when it lands on no pin.
    static ModuleField::Ptr pinAt(const CanvasLayout& layout, const ModuleList& patch, Module* head,
                                  const Point& point);
    // The module whose order badge is drawn at the point (badges shown):
    // the head's badge lies over the modules, a later module's over an
    // earlier one's.
    static Module* orderBadgeAt(const CanvasLayout& layout, const ModuleList& patch, Module* head, const Point& point);
    // The input whose wire passes within kWireSlop of the point; the wire
    // drawn last when several do.
    static ModuleField::Ptr wireAt(const CanvasLayout& layout, const Module* head, const Point& point);
};

} // namespace tosk
