#include "canvas/GridDrawing.h"

#include <QColor>
#include <QLineF>
#include <QPainter>
#include <QPen>
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
    const double firstColumn = std::ceil((x - origin.x) / spacing),
                 lastColumn = std::floor((x + w - origin.x) / spacing);
    const double firstRow = std::ceil((y - origin.y) / spacing), lastRow = std::floor((y + h - origin.y) / spacing);
    const QTransform t = painter.worldTransform();
    if (t.type() > QTransform::TxScale) {
        // Turned or sheared: plain strokes.
        std::vector<QLineF> lines;
        for (double i = firstColumn; i <= lastColumn; ++i)
            lines.emplace_back(i * spacing + origin.x, y, i * spacing + origin.x, y + h);
        for (double j = firstRow; j <= lastRow; ++j)
            lines.emplace_back(x, j * spacing + origin.y, x + w, j * spacing + origin.y);
        painter.save();
        painter.setPen(QPen(color, 0.5));
        painter.drawLines(lines.data(), int(lines.size()));
        painter.restore();
        return;
    }
    // Each line is filled as whole device pixels in the full colour: a thin
    // stroke would be drawn faint or blurred between two pixels. A line is
    // 0.5 points wide but never under one pixel, centred on its position.
    const double sx = t.m11(), sy = t.m22(), dx = t.dx(), dy = t.dy();
    const int lineWidth = std::max(1, int(std::lround(0.5 * std::fabs(sx))));
    const int lineHeight = std::max(1, int(std::lround(0.5 * std::fabs(sy))));
    const int left = int(std::floor(std::min(x * sx, (x + w) * sx) + dx));
    const int right = int(std::ceil(std::max(x * sx, (x + w) * sx) + dx));
    const int top = int(std::floor(std::min(y * sy, (y + h) * sy) + dy));
    const int bottom = int(std::ceil(std::max(y * sy, (y + h) * sy) + dy));
    std::vector<QRect> rects;
    for (double i = firstColumn; i <= lastColumn; ++i) {
        const int at = int(std::floor((i * spacing + origin.x) * sx + dx - (lineWidth - 1) / 2.0));
        rects.emplace_back(at, top, lineWidth, bottom - top);
    }
    for (double j = firstRow; j <= lastRow; ++j) {
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
