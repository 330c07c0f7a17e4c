#pragma once

#include "base/Geometry.h"

class QPainter;

namespace tosk {

class Module;
class ModuleField;

// The head module's fields drawn along the canvas edges: the patch's inputs
// on the left, its outputs and user objects on the right, its control
// sources under the inputs. Drawing them sets their rects, so that they can
// be hit and wired like pins.
class HeadPainter {
public:
    static constexpr double kBoxWidth = 360.0 / 7; // HEADBOXWIDTH
    static constexpr double kBoxHeight = 16;       // HEADBOXHEIGHT
    static constexpr double kBoxSpace = 16;        // HEADBOXSPACE
    static constexpr double kMenuBoxWidth = 16;    // MENUBOXWIDTH
    static constexpr double kPitch = 32;           // between two input or output boxes

    // Lays out and (with a painter) draws the head's fields, the outputs at
    // x = right; grows the extent to every box. Without a painter only the
    // rects and the extent are computed.
    static void drawHeadFields(QPainter* painter, Module& head, double right, const ModuleField* selectedField,
                               int showMode, double& maxX, double& maxY);
};

} // namespace tosk
