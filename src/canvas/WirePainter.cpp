// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/WirePainter.h"

#include "Toskfile/ModuleList.h"
#include "Toskfile/Wire.h"
#include "base/PreferenceController.h"
#include "canvas/CanvasMarks.h"
#include "canvas/CanvasStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace tosk {

void WirePainter::drawConnects(QPainter& painter, const CanvasLayout& layout, const ModuleList& patch,
                               const Module* head, const CanvasMarks::Shown& marks, const std::optional<Rect>& dirty)
{
    using S = CanvasStyle;
    const bool oneSelected = marks.selectedModules.size() == 1;
    Wire::forEach(layout, patch, head, [&](const Wire& wire) {
        if (dirty && !wire.bounds.intersects(*dirty))
            return;
        const ModuleField& field = *wire.input;
        QColor stroke = S::role(field.strokeColor());
        double width = 1;
        if (oneSelected && (marks.isSelected(wire.module) || marks.isSelected(wire.source->trueParent()))) {
            width = 2;
            stroke = QColor::fromRgbF(stroke.redF() * 0.75f + 0.25f, stroke.greenF() * 0.75f + 0.25f,
                                      stroke.blueF() * 0.75f + 0.25f);
        }
        if (wire.input == marks.selectedWire.get() || wire.input == marks.highlightWire.get()) {
            width = 3;
            stroke = S::role(ci_selected);
        }
        QPainterPath path(S::qpoint(wire.points[0]));
        for (size_t i = 1; i < wire.points.size(); ++i)
            path.lineTo(S::qpoint(wire.points[i]));
        // A wire is a line only: never filled, whatever was drawn before it.
        painter.setPen(QPen(stroke, width));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        if (wire.fanOut) {
            const Point c = wire.sourceBend();
            QRectF dot(c.x - Wire::kDotSize / 2, c.y - Wire::kDotSize / 2, Wire::kDotSize, Wire::kDotSize);
            const QColor white(Qt::white);
            S::strokeOval(painter, dot, S::role(field.strokeColor()), 1, &white);
        }
    });
}

} // namespace tosk
