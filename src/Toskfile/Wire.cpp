// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/Wire.h"

#include <algorithm>
#include <cmath>

namespace tosk {

Wire Wire::between(const Rect& d, const Rect& q)
{
    Wire wire;
    const double k = kStub;
    if (d.minX() > q.maxX())
        wire.points = {Point{d.minX(), d.midY()}, Point{d.minX() - k, d.midY()}, Point{q.maxX() + k + 1, q.midY()},
                       Point{q.maxX(), q.midY()}};
    else
        wire.points = {Point{d.maxX(), d.midY()}, Point{d.maxX() + k, d.midY()}, Point{q.minX() - k - 1, q.midY()},
                       Point{q.minX(), q.midY()}};
    double x0 = wire.points[0].x, x1 = x0;
    for (const Point& p : wire.points) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
    }
    const double y0 = std::min(wire.points[0].y, wire.points[3].y), y1 = std::max(wire.points[0].y, wire.points[3].y);
    wire.bounds = Rect(x0, y0, x1 - x0, y1 - y0).inset(-kBoundsMargin, -kBoundsMargin);
    return wire;
}

double Wire::distanceTo(const Point& p) const
{
    double best = INFINITY;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const Point& a = points[i];
        const Point& b = points[i + 1];
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double length2 = dx * dx + dy * dy;
        double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy)));
    }
    return best;
}

} // namespace tosk
