// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CompareOverlay.h"

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/Module.h"
#include "canvas/Latin1.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace tosk {

namespace {

QRectF qrect(const Rect& r)
{
    return QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height);
}

void outline(QPainter& painter, const CanvasLayout& layout, const std::vector<std::weak_ptr<Module>>& modules,
             const QColor& color)
{
    QPen pen(color, CompareOverlay::kOutlineWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const double grow = CompareOverlay::kOutlineGap;
    for (const auto& weak : modules)
        if (auto module = weak.lock(); module && layout.graphicRect(*module).size.height > 0)
            painter.drawRect(qrect(layout.graphicRect(*module)).adjusted(-grow, -grow, grow, grow));
}

} // namespace

void CompareOverlayPainter::draw(QPainter& painter, const CompareOverlay& overlay, const Rect& visible,
                                 const CanvasLayout& layout)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    painter.setFont(font);

    // Ghosts: faint, dashed, with the name they had there.
    QColor fill = CompareOverlay::ghostColor();
    fill.setAlpha(40);
    QPen dashed(CompareOverlay::ghostColor(), 1, Qt::DashLine);
    for (const auto& ghost : overlay.ghosts) {
        const QRectF box = qrect(ghost.box);
        painter.setPen(dashed);
        painter.setBrush(fill);
        painter.drawRect(box);
        painter.drawText(box, Qt::AlignCenter, Latin1::qstring(ghost.name));
    }
    outline(painter, layout, overlay.changed, CompareOverlay::changedColor());
    outline(painter, layout, overlay.added, CompareOverlay::addedColor());

    // The legend, in the top right corner of what is in sight.
    const QString entries[] = {Latin1::text("DiffAdded", "Added"), Latin1::text("DiffChanged", "Changed"),
                               Latin1::text("DiffRemoved", "Removed")};
    const QFontMetricsF metrics(font);
    double width = 0;
    for (const QString& e : entries)
        width = std::max(width, metrics.horizontalAdvance(e));
    const double row = 16, swatch = 12, pad = 6;
    const QRectF box(visible.origin.x + visible.size.width - (width + swatch + 3 * pad) - 8, visible.origin.y + 8,
                     width + swatch + 3 * pad, 3 * row + pad);
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.setBrush(QColor(255, 255, 255, 230));
    painter.drawRect(box);
    const QColor colors[] = {CompareOverlay::addedColor(), CompareOverlay::changedColor(),
                             CompareOverlay::ghostColor()};
    for (int i = 0; i < 3; ++i) {
        const QRectF sw(box.left() + pad, box.top() + pad / 2 + i * row + 2, swatch, swatch);
        if (i < 2) {
            painter.setPen(QPen(colors[i], 3));
            painter.setBrush(Qt::NoBrush);
        } else {
            painter.setPen(dashed);
            painter.setBrush(fill);
        }
        painter.drawRect(sw.adjusted(1.5, 1.5, -1.5, -1.5));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(sw.right() + pad, sw.top() - 2, width + pad, row), Qt::AlignLeft | Qt::AlignVCenter,
                         entries[i]);
    }
    painter.restore();
}

} // namespace tosk
