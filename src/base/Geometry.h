// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cmath>

namespace tosk {

// Canvas geometry in points. The canvas is flipped: the origin is top left and
// y grows downwards, as in Qt.
struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}
    Rect(Point o, Size s) : origin(o), size(s) {}

    bool operator==(const Rect&) const = default;

    double x() const { return origin.x; }
    double y() const { return origin.y; }
    double width() const { return size.width; }
    double height() const { return size.height; }
    double minX() const { return origin.x; }
    double minY() const { return origin.y; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }
    double midX() const { return origin.x + size.width / 2; }
    double midY() const { return origin.y + size.height / 2; }

    bool isEmpty() const { return size.width <= 0 || size.height <= 0; }

    // The smallest rect holding both; an empty rect does not count.
    Rect united(const Rect& o) const
    {
        if (isEmpty())
            return o.isEmpty() ? Rect() : o;
        if (o.isEmpty())
            return *this;
        double x0 = std::min(minX(), o.minX()), y0 = std::min(minY(), o.minY());
        double x1 = std::max(maxX(), o.maxX()), y1 = std::max(maxY(), o.maxY());
        return Rect(x0, y0, x1 - x0, y1 - y0);
    }

    // The common part; the zero rect when they do not overlap.
    Rect intersected(const Rect& o) const
    {
        double x0 = std::max(minX(), o.minX()), y0 = std::max(minY(), o.minY());
        double x1 = std::min(maxX(), o.maxX()), y1 = std::min(maxY(), o.maxY());
        if (x1 <= x0 || y1 <= y0)
            return Rect();
        return Rect(x0, y0, x1 - x0, y1 - y0);
    }

    bool intersects(const Rect& o) const { return !intersected(o).isEmpty(); }

    Rect offset(double dx, double dy) const { return Rect(origin.x + dx, origin.y + dy, size.width, size.height); }

    // Positive values shrink the rect on every side, negative values grow it.
    Rect inset(double dx, double dy) const
    {
        return Rect(origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy);
    }

    // Half-open containment: the left and top edges belong to the rect.
    bool contains(const Point& p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }

    bool contains(const Rect& r) const
    {
        return !isEmpty() && !r.isEmpty() && r.minX() >= minX() && r.minY() >= minY() && r.maxX() <= maxX() &&
               r.maxY() <= maxY();
    }
};

// The rect spanned by two corners given in any order: a rubber band or a
// drag from A to B. A point with itself gives a zero-size rect at the point.
inline Rect TKXRectFromPoints(const Point& a, const Point& b)
{
    return Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(a.x - b.x), std::fabs(a.y - b.y));
}

// Whether a mouse point lies in a rect. In a flipped view the top edge belongs
// to the rect and the bottom edge does not; unflipped, the other way round.
inline bool mouseInRect(const Point& p, const Rect& r, bool flipped)
{
    if (p.x < r.minX() || p.x >= r.maxX())
        return false;
    if (flipped)
        return p.y >= r.minY() && p.y < r.maxY();
    return p.y > r.minY() && p.y <= r.maxY();
}

} // namespace tosk
