// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CanvasPainter.h"

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/MyExtensions.h"
#include "canvas/BadgePainter.h"
#include "canvas/CanvasMarks.h"
#include "canvas/CanvasStyle.h"
#include "canvas/CanvasTextMetrics.h"
#include "canvas/GridDrawing.h"
#include "canvas/GridSettings.h"
#include "canvas/HeadPainter.h"
#include "canvas/ModulePainter.h"
#include "canvas/WirePainter.h"

#include <QPainter>

#include <vector>

namespace tosk {

namespace {
constexpr double kConnectionDot = 40.0 / 7;
}

void CanvasPainter::drawRect(QPainter& painter, const Rect& dirty, const CanvasLayout& layout, const ModuleList& patch,
                             const Module* head, const CanvasMarks& stored)
{
    const int showMode = layout.showMode();
    using S = CanvasStyle;
    const CanvasMarks::Shown marks(stored);
    S::takeColors();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(S::qrect(dirty), Qt::white);
    // On multiples of the spacing in canvas points: where drags snap to.
    if (grid_ && grid_->showsGrid)
        TKXDrawGridWithSettingsInRect(painter, grid_->spacing, grid_->color, dirty, Point{});
    modulesDrawn_ = 0;

    // The modules holding the selected and the highlighted pin: their
    // bubbles may reach past their graphic rects.
    const Module* marked[2] = {marks.selectedField ? marks.selectedField->trueParent() : nullptr,
                               marks.highlightField ? marks.highlightField->trueParent() : nullptr};
    const CanvasTextMetrics& metrics = CanvasTextMetrics::shared();
    S::SpeckBatch specks;
    using Drawn = CanvasLayout::Drawn;
    auto hasMark = [&](const Drawn& d) { return d.module == marked[0] || d.module == marked[1]; };
    auto draw = [&](const Drawn& d) {
        const Module& module = *d.module;
        // Zoomed far out, most boxes are specks: laying out their pins and
        // texts would cost most of the paint for nothing that shows.
        if (!hasMark(d) && S::isSpeck(painter, S::qrect(d.box))) {
            ModulePainter::drawSpeck(painter, specks, d.box, module, marks, showMode, d.index);
            ++modulesDrawn_;
            return;
        }
        specks.flush(painter);
        figure_.compute(layout, module, marks.selectedField.get(), marks.highlightField.get(), metrics);
        if (hasMark(d) && !figure_.bounds.intersects(dirty))
            return;
        ModulePainter::draw(painter, figure_, module, marks, d.afterMarker, showMode, d.index);
        ++modulesDrawn_;
    };
    // Selected modules are drawn last, over any box they overlap. Boxes off
    // the dirty rect are passed over without touching their modules.
    std::vector<const Drawn*> selected;
    for (const Drawn& d : layout.drawn()) {
        if (!hasMark(d) && !ModuleGeometry::graphicRect(d.box).intersects(dirty))
            continue;
        if (marks.isSelected(d.module))
            selected.push_back(&d);
        else
            draw(d);
    }
    for (const Drawn* d : selected)
        draw(*d);
    specks.flush(painter);

    if (head) {
        HeadPainter::draw(painter, layout.headBoxes(), *head, marks.selectedField.get(), showMode);
        WirePainter::drawConnects(painter, layout, head, marks, dirty);
    }

    if (marks.fieldConnectionPoint != Point{} && marks.selectedField) {
        const ModuleField& f = *marks.selectedField;
        QPointF from = S::qrect(layout.pinRect(f)).center(), to = S::qpoint(marks.fieldConnectionPoint);
        painter.setPen(QPen(S::role(f.strokeColor()), 1));
        painter.drawLine(from, to);
        QColor fill = S::role(f.fillColor());
        S::strokeOval(painter,
                      QRectF(to.x() - kConnectionDot / 2, to.y() - kConnectionDot / 2, kConnectionDot, kConnectionDot),
                      S::role(f.strokeColor()), 1, &fill);
    }
    if (marks.orderConnectionPoint != Point{} && marks.orderSourceModule) {
        size_t i = patch.indexOfModule(marks.orderSourceModule.get());
        BadgePainter::drawOrderDrag(painter, layout.orderCircle(*marks.orderSourceModule), marks.orderConnectionPoint,
                                    numberString(double(i) + 1));
    }
    if (!(marks.rubberbandRect == Rect())) {
        painter.setPen(QPen(S::knob(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(S::qrect(marks.rubberbandRect));
    }
}

} // namespace tosk
