// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"

#include <vector>

namespace tosk {

class Module;

// Where boxes go when the user moves, aligns or grids them. Plain geometry,
// shared by the edit operations and the drag: no change is made here.
//
// A box at (0, 0) stands for a module never placed, so no rule here puts a
// box there: moved boxes keep the origin of their bounds (boxes with their
// pin margins) at 1 point or more on each axis.
class ModuleArrangement {
public:
    enum class Edge { Left, Right, Top, Bottom };

    // The smallest origin the bounds of moved boxes may have.
    static constexpr double kMinOrigin = 1;

    // The union of the modules' boxes, and of their graphic rects (boxes
    // with the pin margins), as the modules hold them: places and widths,
    // no heights; the zero rect for none. What they are for is the corner.
    static Rect boxBounds(const std::vector<Module*>& modules);
    static Rect graphicBounds(const std::vector<Module*>& modules);

    // The offset cut back, axis by axis, so that bounds moved by it keep
    // their origin at kMinOrigin or more. Bounds already below it are not
    // moved further down, nor pushed up.
    static Point clampOffset(const Rect& bounds, Point offset);

    // The nearest multiple of the spacing.
    static double snap(double value, double spacing);
    // The grid point for a box: its origin snapped, but never so far up or
    // left that its graphic rect leaves kMinOrigin (then the next grid
    // point in).
    static Point gridOrigin(const Rect& box, double spacing);

    // Room for a new box of the size: the first origin, row by row from the
    // area's top left in steps of `step`, at which the box's graphic rect
    // lies inside the area and at least `step` / 2 clear of every rect
    // taken. When the area has no such room, the origin at the area's left
    // below every rect taken (the area's top left when nothing is taken).
    static Point freeOrigin(const std::vector<Rect>& taken, const Rect& area, Size box, double step);

    // The boxes lined up on the first one's edge; sizes kept.
    static std::vector<Rect> aligned(const std::vector<Rect>& boxes, Edge edge);
};

} // namespace tosk
