// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"

#include <string>
#include <vector>

namespace tosk {

class Module;
class ModuleField;

// The head module's fields as boxes along the canvas edges: the patch's
// inputs on the left, its outputs and user objects on the right, its control
// sources under the inputs. Each box is its field's rect (CanvasLayout::
// pinRect), so that it is hit and wired like a pin.
class HeadLayout {
public:
    static constexpr double kBoxWidth = 360.0 / 7; // HEADBOXWIDTH
    static constexpr double kBoxHeight = 16;       // HEADBOXHEIGHT
    static constexpr double kBoxSpace = 16;        // HEADBOXSPACE
    static constexpr double kMenuBoxWidth = 16;    // MENUBOXWIDTH
    static constexpr double kPitch = 32;           // between two input or output boxes

    struct Box {
        ModuleField* field;
        Rect rect;
        // 8-bit, as the patch holds it.
        std::string label;
        // A control source is drawn as an oval.
        bool oval;
    };

    // Lays out the head's boxes, the outputs at x = right; the head's other
    // fields get none, since the head is never drawn as a module. Answers
    // the boxes in drawing order.
    static std::vector<Box> layOut(const Module& head, double right);
};

} // namespace tosk
