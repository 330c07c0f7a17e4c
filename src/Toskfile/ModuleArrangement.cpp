// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ModuleArrangement.h"

#include "Toskfile/Module.h"
#include "Toskfile/ModuleGeometry.h"

#include <cmath>

namespace tosk {

Rect ModuleArrangement::boxBounds(const std::vector<Module*>& modules)
{
    Rect bounds;
    bool first = true;
    for (const Module* m : modules) {
        // Place and width: the height is a view's.
        const Rect& r = m->rect();
        if (first) {
            bounds = r;
            first = false;
            continue;
        }
        const double x0 = std::min(bounds.minX(), r.minX()), y0 = std::min(bounds.minY(), r.minY());
        const double x1 = std::max(bounds.maxX(), r.maxX()), y1 = std::max(bounds.maxY(), r.maxY());
        bounds = Rect(x0, y0, x1 - x0, y1 - y0);
    }
    return bounds;
}

Rect ModuleArrangement::graphicBounds(const std::vector<Module*>& modules)
{
    Rect bounds;
    bool first = true;
    for (const Module* m : modules) {
        // Only the corner counts, which the height does not move.
        const Rect r = ModuleGeometry::graphicRect(m->rect());
        if (first) {
            bounds = r;
            first = false;
            continue;
        }
        const double x0 = std::min(bounds.minX(), r.minX()), y0 = std::min(bounds.minY(), r.minY());
        const double x1 = std::max(bounds.maxX(), r.maxX()), y1 = std::max(bounds.maxY(), r.maxY());
        bounds = Rect(x0, y0, x1 - x0, y1 - y0);
    }
    return bounds;
}

Point ModuleArrangement::clampOffset(const Rect& bounds, Point offset)
{
    auto clamp = [](double origin, double d) {
        if (d < 0 && origin + d < kMinOrigin)
            d = std::min(0.0, kMinOrigin - origin);
        // Bounds already at the margin may sit a rounding error off it:
        // that is no move.
        return std::abs(d) < 1e-9 ? 0.0 : d;
    };
    return Point{clamp(bounds.x(), offset.x), clamp(bounds.y(), offset.y)};
}

double ModuleArrangement::snap(double value, double spacing)
{
    return std::floor(value / spacing + 0.5) * spacing;
}

Point ModuleArrangement::gridOrigin(const Rect& box, double spacing)
{
    auto onGrid = [spacing](double origin, double margin) {
        const double lowest = kMinOrigin + margin;
        const double snapped = snap(origin, spacing);
        return snapped >= lowest ? snapped : std::ceil(lowest / spacing) * spacing;
    };
    return Point{onGrid(box.x(), Module::kMarginX), onGrid(box.y(), Module::kMarginY)};
}

std::vector<Rect> ModuleArrangement::aligned(const std::vector<Rect>& boxes, Edge edge)
{
    std::vector<Rect> result = boxes;
    if (boxes.empty())
        return result;
    const Rect& ref = boxes.front();
    for (Rect& r : result) {
        switch (edge) {
        case Edge::Left:
            r.origin.x = ref.x();
            break;
        case Edge::Right:
            r.origin.x = ref.maxX() - r.width();
            break;
        case Edge::Top:
            r.origin.y = ref.y();
            break;
        case Edge::Bottom:
            r.origin.y = ref.maxY() - r.height();
            break;
        }
    }
    return result;
}

Point ModuleArrangement::freeOrigin(const std::vector<Rect>& taken, const Rect& area, Size box, double step)
{
    step = std::isfinite(step) && step >= 1 ? step : 10;
    // Where the box's origin lies within its graphic rect.
    const Point inset{Module::kMarginX, Module::kMarginY};
    const Rect g(0, 0, box.width + 2 * inset.x, box.height + 2 * inset.y);
    const double gap = step / 2;
    auto clear = [&](const Rect& r) {
        const Rect wide = r.inset(-gap, -gap);
        for (const Rect& t : taken)
            if (t.intersects(wide))
                return false;
        return true;
    };
    const double x0 = std::max(area.x(), kMinOrigin), y0 = std::max(area.y(), kMinOrigin);
    for (double y = y0; y + g.height() <= area.maxY(); y += step)
        for (double x = x0; x + g.width() <= area.maxX(); x += step)
            if (clear(Rect(x, y, g.width(), g.height())))
                return Point{x + inset.x, y + inset.y};
    double below = y0;
    for (const Rect& t : taken)
        below = std::max(below, t.maxY() + gap);
    return Point{x0 + inset.x, below + inset.y};
}

} // namespace tosk
