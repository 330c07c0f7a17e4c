// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"

#include <QColor>

#include <string>

class QPainter;

namespace tosk {

class Module;

// The processing-order badges: a module's number in three rings, the
// head's "0", and the badge that follows the mouse during an order drag.
class BadgePainter {
public:
    static constexpr double kDragBadgeSize = 32;
    // Orange: apart from the selection's red and the fill's yellow.
    static inline const QColor kWarningFill{255, 140, 0};

    // A module's badge in its order circle (CanvasLayout::orderCircle);
    // `warning` fills it in the warning colour (it runs against a wire's
    // direction).
    static void drawModuleBadge(QPainter& painter, const Rect& circle, const std::string& number, bool highlighted,
                                bool warning = false);
    static void drawHeadBadge(QPainter& painter, const Rect& circle);
    // A red line from the source module's badge (its order circle) to the
    // point, and there a yellow badge with the number the module would get.
    static void drawOrderDrag(QPainter& painter, const Rect& sourceCircle, const Point& point,
                              const std::string& number);

private:
    static void drawRings(QPainter& painter, const Rect& circle, const std::string& number, bool head, bool highlighted,
                          bool warning);
};

} // namespace tosk
