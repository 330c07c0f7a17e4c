// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CommentPainter.h"

#include "base/PreferenceController.h"
#include "canvas/CanvasStyle.h"
#include "canvas/Latin1.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace tosk {

namespace {

QStringList linesOf(const PatchComment& comment)
{
    QString text = Latin1::qstring(comment.text);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

} // namespace

const QFont& CommentPainter::font()
{
    return CanvasStyle::font(CanvasStyle::BlackLabel10);
}

Rect CommentPainter::rect(const PatchComment& comment)
{
    const QFontMetricsF metrics(font());
    const QStringList lines = linesOf(comment);
    double width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    width = std::max(kMinWidth, std::ceil(width) + 2 * kPadding);
    const double height = std::ceil(metrics.lineSpacing() * lines.size()) + 2 * kPadding;
    return Rect(comment.origin.x, comment.origin.y, width, height);
}

PatchComment::Ptr CommentPainter::commentAt(const PatchComment::List& comments, const Point& point)
{
    for (auto it = comments.rbegin(); it != comments.rend(); ++it)
        if (rect(**it).contains(point))
            return *it;
    return nullptr;
}

void CommentPainter::draw(QPainter& painter, const PatchComment::List& comments,
                          const std::vector<const PatchComment*>& selected, Point dragOffset, const Rect& dirty)
{
    if (comments.empty())
        return;
    const QFontMetricsF metrics(font());
    painter.save();
    painter.setFont(font());
    const bool showText = CanvasStyle::showsText(painter, CanvasStyle::BlackLabel10);
    for (const auto& c : comments) {
        const bool isSelected = std::find(selected.begin(), selected.end(), c.get()) != selected.end();
        Rect r = rect(*c);
        if (isSelected)
            r = r.offset(dragOffset.x, dragOffset.y);
        if (!r.intersects(dirty.inset(-2, -2)))
            continue;
        const QRectF box = CanvasStyle::qrect(r);
        painter.fillRect(box, QColor(255, 250, 205));
        if (isSelected)
            CanvasStyle::drawCrispRect(painter, box, CanvasStyle::role(ci_selected), 2);
        else
            CanvasStyle::drawCrispRect(painter, box, CanvasStyle::lightGray(), 1);
        if (!showText)
            continue;
        painter.setPen(Qt::black);
        double y = r.y() + kPadding + metrics.ascent();
        for (const QString& line : linesOf(*c)) {
            painter.drawText(QPointF(r.x() + kPadding, y), line);
            y += metrics.lineSpacing();
        }
    }
    painter.restore();
}

} // namespace tosk
