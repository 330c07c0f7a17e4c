// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/ModulePainter.h"

#include "Toskfile/Module.h"
#include "Toskfile/ModuleFigure.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/MyExtensions.h"
#include "base/PreferenceController.h"
#include "canvas/BadgePainter.h"
#include "canvas/CanvasMarks.h"
#include "canvas/CanvasStyle.h"
#include "canvas/Latin1.h"
#include "database/OperatorDesc.h"

#include <QPainter>

namespace tosk {

std::string ModulePainter::orderText(size_t index)
{
    return index == Module::npos ? "?" : numberString(double(index));
}

namespace {

void drawBadge(QPainter& painter, const Rect& box, const Module& module, const CanvasMarks::Shown& marks, int showMode,
               size_t index)
{
    if (showMode & Module::SHOW_ORDER)
        BadgePainter::drawModuleBadge(painter, ModuleGeometry::orderCircle(box, false), ModulePainter::orderText(index),
                                      &module == marks.highlightModule.get(), marks.warnsOrder(&module));
}

} // namespace

void ModulePainter::drawSpeck(QPainter& painter, CanvasStyle::SpeckBatch& specks, const Rect& box, const Module& module,
                              const CanvasMarks::Shown& marks, int showMode, size_t index)
{
    using S = CanvasStyle;
    // No inside to bevel: a selected speck shows the selection's colour.
    specks.add(painter, S::qrect(box), S::role(marks.isSelected(&module) ? ci_selected : ci_normal));
    // The badge goes over the block, and under the next box's.
    if (showMode & Module::SHOW_ORDER) {
        specks.flush(painter);
        drawBadge(painter, box, module, marks, showMode, index);
    }
}

void ModulePainter::draw(QPainter& painter, const ModuleFigure& figure, const Module& module,
                         const CanvasMarks::Shown& marks, bool markProcessor, int showMode, size_t index)
{
    using S = CanvasStyle;
    const QRectF box = S::qrect(figure.box);
    const QRectF inner = S::qrect(figure.inner);

    painter.fillRect(box, Qt::white);
    painter.fillRect(inner, S::role(markProcessor ? ci_processorB : ci_fill));

    // Title row in the colour of the operator's class.
    const QRectF title = S::qrect(figure.title.box);
    int classId = module.opDescriptor() ? module.opDescriptor()->operatorId() : -1;
    painter.fillRect(title, S::operatorClass(classId));
    S::drawCrispLine(painter, title.bottomLeft(), title.bottomRight(), S::darkGray(), 0.5);

    // The outline goes over the fills, so that no fill half covers it when
    // zoomed out. Drawn as selected whatever pin is selected too: Delete
    // takes the selected modules first.
    if (marks.isSelected(&module)) {
        S::drawCrispRect(painter, box, S::role(ci_selected), 1);
        S::drawCrispBevel(painter, inner, Qt::yellow, S::shadow(), 1);
    } else {
        S::drawCrispRect(painter, box, S::role(ci_normal), 1);
    }

    QColor titleColor = S::darkGray();
    if (module.numRefs() == 0 && module.hasWPFields() == 0)
        titleColor = S::role(ci_comment);
    else if (module.isSuper())
        titleColor = S::role(ci_super);
    S::drawTextString(painter, Latin1::qstring(figure.title.text), title, S::System8, titleColor);

    if (figure.instanceName)
        S::drawTextString(painter, Latin1::qstring(figure.instanceName->text), S::qrect(figure.instanceName->box),
                          S::BlackLabel10, S::textColor(S::BlackLabel10));

    if (figure.range)
        S::drawTextString(painter, Latin1::qstring(figure.range->text), S::qrect(figure.range->box), S::GrayLabel7,
                          S::textColor(S::GrayLabel7));
    if (figure.info)
        S::drawTextString(painter, Latin1::qstring(figure.info->text), S::qrect(figure.info->box), S::BlackLabel8,
                          S::textColor(S::BlackLabel8));
    drawBadge(painter, figure.box, module, marks, showMode, index);

    for (const ModuleFigure::Pin& pin : figure.pins) {
        const ModuleField& field = *pin.field;
        const QColor stroke = S::role(field.strokeColor());
        // The labels beside a pin are sized to their texts: they fit.
        if (pin.bubble) {
            const QColor selectFill = S::role(ci_select_fill);
            S::strokeOval(painter, S::qrect(*pin.bubble), stroke, 1, &selectFill);
            S::strokeThenFill(painter, S::qrect(pin.nameFrame), stroke, 1, Qt::white, false);
            S::drawCenteredText(painter, Latin1::qstring(pin.name->text), S::qrect(pin.name->box), S::Bubble,
                                S::textColor(S::Bubble));
        } else if (pin.value) {
            S::drawCenteredText(painter, Latin1::qstring(pin.value->text), S::qrect(pin.value->box), S::GrayLabel7,
                                S::textColor(S::GrayLabel7));
        }
        const QRectF oval = S::qrect(pin.oval);
        S::drawPin(painter, oval, stroke, field.isWP() ? S::lightGray() : S::role(field.fillColor()));
        if (pin.instance)
            S::drawTextString(painter, QString::number(*pin.instance), oval, S::BlackSystem8,
                              S::textColor(S::BlackSystem8));
    }
}

} // namespace tosk
