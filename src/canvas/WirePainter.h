// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"
#include "canvas/CanvasMarks.h"

#include <optional>

class QPainter;

namespace tosk {

class CanvasLayout;
class Module;
class ModuleList;

// Draws the wires (Wire) from output pins to input pins, a dot where a
// source fans out, thicker and lighter for the wires of the one selected
// module.
class WirePainter {
public:
    // Draws every wire of the patch as laid out. With a dirty rect, wires
    // that cannot reach into it are skipped (the painter clips the rest
    // anyway).
    static void drawConnects(QPainter& painter, const CanvasLayout& layout, const Module* head,
                             const CanvasMarks::Shown& marks, const std::optional<Rect>& dirty);
};

} // namespace tosk
