#include "canvas/WirePainter.h"

#include "Toskfile/ModuleList.h"
#include "canvas/CanvasMarks.h"
#include "canvas/CanvasStyle.h"

#include <QPainter>

#include <algorithm>

namespace tosk {

WirePainter::Wire WirePainter::wireBetween(const Rect& d, const Rect& q)
{
    Wire wire;
    const double k = kStub;
    QPointF a, b, c, e;
    if (d.minX() > q.maxX()) {
        a = QPointF(d.minX(), d.midY());
        b = QPointF(d.minX() - k, d.midY());
        c = QPointF(q.maxX() + k + 1, q.midY());
        e = QPointF(q.maxX(), q.midY());
    } else {
        a = QPointF(d.maxX(), d.midY());
        b = QPointF(d.maxX() + k, d.midY());
        c = QPointF(q.minX() - k - 1, q.midY());
        e = QPointF(q.minX(), q.midY());
    }
    wire.path.moveTo(a);
    wire.path.lineTo(b);
    wire.path.lineTo(c);
    wire.path.lineTo(e);
    wire.sourceBend = c;
    double x0 = std::min({a.x(), b.x(), c.x(), e.x()}), x1 = std::max({a.x(), b.x(), c.x(), e.x()});
    double y0 = std::min(a.y(), e.y()), y1 = std::max(a.y(), e.y());
    // Room for a 2-wide line and the dot.
    wire.bounds = Rect(x0, y0, x1 - x0, y1 - y0).inset(-2, -2);
    return wire;
}

void WirePainter::drawConnects(QPainter& painter, const ModuleList& patch, const Module* head,
                               const CanvasMarks::Shown& marks, const std::optional<Rect>& dirty)
{
    using S = CanvasStyle;
    const ModuleField *zero = nullptr, *null = nullptr, *nullObj = nullptr;
    if (head) {
        zero = head->field("zero").get();
        null = head->field("null").get();
        nullObj = head->field("nullobj").get();
    }
    const bool oneSelected = marks.selectedModules.size() == 1;
    painter.setBrush(Qt::NoBrush);
    for (const auto& module : patch.listOfModules()) {
        if (module->height() <= 0)
            continue;
        for (const auto& field : module->fieldArray()) {
            const ModuleField* source = field->source().get();
            if (!source || field->gpos() == 0)
                continue;
            if (source == zero || source == null || source == nullObj || field->isHidden() || source->isHidden())
                continue;
            const Rect& q = source->rect();
            if (q.width() == 0)
                continue;
            Wire wire = wireBetween(field->rect(), q);
            if (dirty && !wire.bounds.intersects(*dirty))
                continue;
            QColor stroke = S::role(field->strokeColor());
            double width = 1;
            if (oneSelected && (marks.isSelected(module.get()) || marks.isSelected(source->trueParent()))) {
                width = 2;
                stroke = QColor::fromRgbF(stroke.redF() * 0.75f + 0.25f, stroke.greenF() * 0.75f + 0.25f,
                                          stroke.blueF() * 0.75f + 0.25f);
            }
            painter.setPen(QPen(stroke, width));
            painter.drawPath(wire.path);
            if (source->numConnects() >= 2) {
                QRectF dot(wire.sourceBend.x() - kDotSize / 2, wire.sourceBend.y() - kDotSize / 2, kDotSize, kDotSize);
                const QColor white(Qt::white);
                S::strokeOval(painter, dot, S::role(field->strokeColor()), 1, &white);
            }
        }
    }
}

} // namespace tosk
