// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/WirePainter.h"

#include "Toskfile/ModuleList.h"
#include "Toskfile/Wire.h"
#include "base/PreferenceController.h"
#include "canvas/CanvasMarks.h"
#include "canvas/CanvasStyle.h"

#include <QPainter>
#include <QPolygonF>

namespace tosk {

void WirePainter::drawConnects(QPainter& painter, const CanvasLayout& layout, const Module* head,
                               const CanvasMarks::Shown& marks, const std::optional<Rect>& dirty)
{
    using S = CanvasStyle;
    const bool oneSelected = marks.selectedModules.size() == 1;
    QPolygonF points;
    QColor penColor;
    double penWidth = -1;
    const auto draw = [&](const Wire& wire) {
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
        // A wire is a line only: never filled, whatever was drawn before it.
        // The pen is made anew only when it changes, and the points go in
        // one reused polygon: a patch fitted to the window draws a wire per
        // input, tens of thousands of them.
        if (stroke != penColor || width != penWidth) {
            penColor = stroke;
            penWidth = width;
            painter.setPen(QPen(stroke, width));
            painter.setBrush(Qt::NoBrush);
        }
        points.resize(static_cast<qsizetype>(wire.points.size()));
        for (size_t i = 0; i < wire.points.size(); ++i)
            points[static_cast<qsizetype>(i)] = S::qpoint(wire.points[i]);
        painter.drawPolyline(points);
        if (wire.fanOut) {
            const Point c = wire.sourceBend();
            QRectF dot(c.x - Wire::kDotSize / 2, c.y - Wire::kDotSize / 2, Wire::kDotSize, Wire::kDotSize);
            const QColor white(Qt::white);
            S::strokeOval(painter, dot, S::role(field.strokeColor()), 1, &white);
            penWidth = -1; // the dot set a pen and brush of its own
        }
    };
    Wire::forEach(layout, head, draw, dirty ? &*dirty : nullptr);
}

} // namespace tosk
