// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"

class QColor;
class QPainter;

namespace tosk {

// The smallest grid spacing a canvas takes, in points: the grid is drawn and
// snapped to by dividing by the spacing.
constexpr double kMinimumGridSpacing = 1;

// Whether `spacing` may be a canvas's grid spacing (at least 1 point, finite).
bool isUsableGridSpacing(double spacing);

// Draws the grid lines of pitch `spacing` that fall inside `rect`: the
// vertical lines at origin.x + i × spacing and the horizontal ones at
// origin.y + j × spacing, across the rect, in `color`. A line is 0.5 points
// wide, never under one device pixel, and covers whole device pixels (the
// one right of and below its position at one pixel a point), so that it is
// crisp and a partial repaint draws it exactly as a full one. An unusable
// spacing draws nothing. The painter may scale and move, not turn.
void TKXDrawGridWithSettingsInRect(QPainter& painter, double spacing, const QColor& color, const Rect& rect,
                                   const Point& origin);

} // namespace tosk
