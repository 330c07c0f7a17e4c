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
    auto draw = [&](const Module& module, int rows, bool processorB, size_t at) {
        const bool hasMark = &module == marked[0] || &module == marked[1];
        const Rect box = ModuleGeometry::box(module, rows);
        if (!hasMark && !ModuleGeometry::graphicRect(box).intersects(dirty))
            return;
        // Zoomed far out, most boxes are specks: laying out their pins and
        // texts would cost most of the paint for nothing that shows.
        if (!hasMark && S::isSpeck(painter, S::qrect(box))) {
            ModulePainter::drawSpeck(painter, specks, box, module, marks, showMode, at);
            ++modulesDrawn_;
            return;
        }
        specks.flush(painter);
        figure_.compute(layout, module, marks.selectedField.get(), marks.highlightField.get(), metrics);
        if (hasMark && !figure_.bounds.intersects(dirty))
            return;
        ModulePainter::draw(painter, figure_, module, marks, processorB, showMode, at);
        ++modulesDrawn_;
    };
    // Selected modules are drawn last, over any box they overlap.
    struct Later {
        const Module* module;
        int rows;
        bool processorB;
        size_t at;
    };
    std::vector<Later> selected;
    bool processorB = false;
    size_t index = 0;
    for (const auto& module : patch.listOfModules()) {
        size_t at = index++;
        if (module.get() == head)
            continue;
        if (module->isMarker())
            processorB = true;
        // One lookup of the layout per module: a repaint walks them all.
        const int rows = layout.rows(*module);
        if (rows <= 0)
            continue;
        if (marks.isSelected(module.get()))
            selected.push_back({module.get(), rows, processorB, at});
        else
            draw(*module, rows, processorB, at);
    }
    for (const Later& later : selected)
        draw(*later.module, later.rows, later.processorB, later.at);
    specks.flush(painter);

    if (head) {
        HeadPainter::draw(painter, layout.headBoxes(), *head, marks.selectedField.get(), showMode);
        WirePainter::drawConnects(painter, layout, patch, head, marks, dirty);
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
