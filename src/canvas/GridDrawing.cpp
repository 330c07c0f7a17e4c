// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/GridDrawing.h"

#include <QColor>
#include <QPainter>
#include <QRect>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tosk {

bool isUsableGridSpacing(double spacing)
{
    return std::isfinite(spacing) && spacing >= kMinimumGridSpacing;
}

void TKXDrawGridWithSettingsInRect(QPainter& painter, double spacing, const QColor& color, const Rect& rect,
                                   const Point& origin)
{
    if (!isUsableGridSpacing(spacing) || rect.isEmpty())
        return;
    const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    // Each line is filled as whole device pixels in the full colour: a thin
    // stroke would be drawn faint or blurred between two pixels. A line is
    // 0.5 points wide but never under one pixel, centred on its position.
    const QTransform t = painter.worldTransform();
    const double sx = t.m11(), sy = t.m22(), dx = t.dx(), dy = t.dy();
    const int lineWidth = std::max(1, int(std::lround(0.5 * std::fabs(sx))));
    const int lineHeight = std::max(1, int(std::lround(0.5 * std::fabs(sy))));
    const int left = int(std::floor(std::min(x * sx, (x + w) * sx) + dx));
    const int right = int(std::ceil(std::max(x * sx, (x + w) * sx) + dx));
    const int top = int(std::floor(std::min(y * sy, (y + h) * sy) + dy));
    const int bottom = int(std::ceil(std::max(y * sy, (y + h) * sy) + dy));
    // A line wider than a pixel reaches past its position: those just
    // outside the rect are drawn too, so that a repaint of a part (which the
    // painter clips) draws their pixels inside it as a full paint does.
    const double reachX = lineWidth > 1 ? lineWidth / std::fabs(sx) : 0;
    const double reachY = lineHeight > 1 ? lineHeight / std::fabs(sy) : 0;
    std::vector<QRect> rects;
    for (double i = std::ceil((x - reachX - origin.x) / spacing);
         i <= std::floor((x + w + reachX - origin.x) / spacing); ++i) {
        const int at = int(std::floor((i * spacing + origin.x) * sx + dx - (lineWidth - 1) / 2.0));
        rects.emplace_back(at, top, lineWidth, bottom - top);
    }
    for (double j = std::ceil((y - reachY - origin.y) / spacing);
         j <= std::floor((y + h + reachY - origin.y) / spacing); ++j) {
        const int at = int(std::floor((j * spacing + origin.y) * sy + dy - (lineHeight - 1) / 2.0));
        rects.emplace_back(left, at, right - left, lineHeight);
    }
    if (rects.empty())
        return;
    painter.save();
    painter.resetTransform();
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawRects(rects.data(), int(rects.size()));
    painter.restore();
}

} // namespace tosk
