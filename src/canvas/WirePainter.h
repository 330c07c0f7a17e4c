#pragma once

#include "base/Geometry.h"
#include "canvas/CanvasMarks.h"

#include <QPainterPath>

#include <optional>

class QPainter;

namespace tosk {

class Module;
class ModuleField;
class ModuleList;

// The wires from output pins to input pins: three segments with short stubs
// at both pins, a dot where a source fans out, thicker and lighter for the
// wires of the one selected module.
class WirePainter {
public:
    static constexpr double kStub = 16.0 / 7;
    static constexpr double kDotSize = 2;

    struct Wire {
        QPainterPath path;
        // The bend next to the source, where a fan-out dot goes.
        QPointF sourceBend;
        // The area the wire and its dot cover.
        Rect bounds;
    };

    // The path between an input's pin rect and its source's pin rect.
    static Wire wireBetween(const Rect& input, const Rect& source);

    // Draws every wire of the patch. With a dirty rect, wires that cannot
    // reach into it are skipped (the painter clips the rest anyway).
    static void drawConnects(QPainter& painter, const ModuleList& patch, const Module* head,
                             const CanvasMarks::Shown& marks, const std::optional<Rect>& dirty);
};

} // namespace tosk
