// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/Module.h"
#include "Toskfile/ModuleList.h"
#include "base/Geometry.h"

#include <algorithm>
#include <array>

namespace tosk {

// A connection as the canvas draws it: from the input's pin a short stub,
// a slanted run, and a stub into the source's pin. A wire whose input lies
// right of its source leaves the input to the left and enters the source
// from the right; otherwise the other way round.
struct Wire {
    static constexpr double kStub = 16.0 / 7;
    // How far the bounds reach past the path (the pen's width and more).
    static constexpr double kBoundsMargin = 2;
    static constexpr double kDotSize = 2;

    const Module* module = nullptr;
    const ModuleField* input = nullptr;
    const ModuleField* source = nullptr;
    // Input pin edge, end of its stub, the bend next to the source, source
    // pin edge.
    std::array<Point, 4> points;
    // What the wire covers, with room for a 2-wide line and the dot.
    Rect bounds;
    // The source feeds two or more inputs: a dot on the bend next to it.
    bool fanOut = false;

    Point sourceBend() const { return points[2]; }

    // The path between an input's pin rect and its source's pin rect.
    static Wire between(const Rect& input, const Rect& source);
    // A rect that holds the bounds of that path, found without making it.
    static Rect reach(const Rect& input, const Rect& source)
    {
        const double x0 = std::min(input.minX(), source.minX()) - kStub - 1 - kBoundsMargin;
        const double x1 = std::max(input.maxX(), source.maxX()) + kStub + 1 + kBoundsMargin;
        const double y0 = std::min(input.minY(), source.minY()) - kBoundsMargin;
        const double y1 = std::max(input.maxY(), source.maxY()) + kBoundsMargin;
        return Rect(x0, y0, x1 - x0, y1 - y0);
    }
    // How far the point lies from the path.
    double distanceTo(const Point& point) const;

    // Calls visit(const Wire&) for every wire of the patch, in the order
    // they are drawn: module by module, field by field. A wire is drawn for
    // each input with a source and a pin, in a module that is drawn, unless
    // either end is hidden, the source is one of the head's "zero", "null"
    // and "nullobj" outputs, or the source's pin is not shown.
    // The pins are where the layout puts them. With a clip, wires whose
    // bounds miss it may be passed over unmade (a repaint of a small area
    // of a large patch makes only the wires that can meet it).
    // The layout must be the patch's latest (as before a paint or a hit).
    template <typename Visit>
    static void forEach(const CanvasLayout& layout, const Module* head, Visit&& visit, const Rect* clip = nullptr);
};

template <typename Visit>
void Wire::forEach(const CanvasLayout& layout, const Module* head, Visit&& visit, const Rect* clip)
{
    const ModuleField *zero = nullptr, *null = nullptr, *nullObj = nullptr;
    if (head) {
        zero = head->field("zero").get();
        null = head->field("null").get();
        nullObj = head->field("nullobj").get();
    }
    auto wiresInto = [&](const Module& module, const Rect& box, const ModuleGeometry::Laid& laid) {
        for (const auto& pin : laid.pins) {
            const ModuleField* field = pin.field;
            const ModuleField* source = field->source().get();
            if (!source)
                continue;
            if (source == zero || source == null || source == nullObj || field->isHidden() || source->isHidden())
                continue;
            const Rect from = layout.pinRect(*source);
            if (from.width() == 0)
                continue;
            const Rect to = &module == head ? layout.pinRect(*field) : ModuleGeometry::pinRect(box, pin.row);
            if (clip && !reach(to, from).intersects(*clip))
                continue;
            Wire wire = between(to, from);
            wire.module = &module;
            wire.input = field;
            wire.source = source;
            wire.fanOut = source->numConnects() >= 2;
            visit(static_cast<const Wire&>(wire));
        }
    };
    // The head's wires come at its place in the list, among the others'.
    const ModuleGeometry::Laid* headLaid =
        head && layout.headIndex() != CanvasLayout::npos ? layout.laid(*head) : nullptr;
    bool headDone = !headLaid || headLaid->rows <= 0;
    auto headWires = [&] {
        wiresInto(*head, ModuleGeometry::box(*head, headLaid->rows), *headLaid);
        headDone = true;
    };
    for (const CanvasLayout::Drawn& d : layout.drawn()) {
        if (!headDone && d.index > layout.headIndex())
            headWires();
        wiresInto(*d.module, d.box, *d.laid);
    }
    if (!headDone)
        headWires();
}

} // namespace tosk
