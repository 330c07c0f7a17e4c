// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/HeadPainter.h"

#include "Toskfile/Module.h"
#include "Toskfile/ModuleGeometry.h"
#include "base/PreferenceController.h"
#include "canvas/BadgePainter.h"
#include "canvas/CanvasStyle.h"
#include "canvas/Latin1.h"

#include <QPainter>

namespace tosk {

void HeadPainter::draw(QPainter& painter, const std::vector<HeadLayout::Box>& boxes, const Module& head,
                       const ModuleField* selectedField, int showMode)
{
    using S = CanvasStyle;
    const QColor fill = S::role(ci_fill);
    for (const auto& box : boxes) {
        QColor stroke = S::role(box.field->strokeColor());
        double width = box.field == selectedField ? 2 : 1;
        QRectF r = S::qrect(box.rect);
        if (box.oval) {
            S::strokeOval(painter, r, stroke, width, &fill);
        } else {
            painter.fillRect(r, fill);
            S::drawCrispRect(painter, r, stroke, width);
        }
        S::drawCenteredText(painter, Latin1::qstring(box.label), r, S::System10, stroke);
    }
    if (showMode & Module::SHOW_ORDER)
        BadgePainter::drawHeadBadge(painter, ModuleGeometry::orderCircle(head.rect(), true));
}

} // namespace tosk
