#include "canvas/ModulePainter.h"

#include "Toskfile/InstanceCounter.h"
#include "Toskfile/Module.h"
#include "Toskfile/MyExtensions.h"
#include "base/PreferenceController.h"
#include "canvas/BadgePainter.h"
#include "canvas/CanvasMarks.h"
#include "canvas/InfoLine.h"
#include "canvas/Latin1.h"
#include "database/OperatorDesc.h"

#include <QPainter>
#include <QPainterPath>

namespace tosk {

std::string ModulePainter::orderText(size_t index)
{
    return index == Module::npos ? "?" : numberString(double(index));
}

QRectF ModulePainter::besidePin(const QRectF& pin, const QSizeF& size, bool input)
{
    QSizeF box(size.width() + 1, size.height() + 1);
    double x = input ? pin.right() + 3 : pin.left() - size.width() - 3;
    return QRectF(QPointF(x, pin.center().y() - box.height() / 2), box);
}

void ModulePainter::draw(QPainter& painter, Module& module, const CanvasMarks::Shown& marks, bool markProcessor,
                         int showMode, const std::string& orderNumber)
{
    using S = CanvasStyle;
    const QRectF box = S::qrect(module.rect());
    const QRectF inner = box.adjusted(1, 1, -1, -1);

    painter.fillRect(box, Qt::white);
    painter.setBrush(Qt::NoBrush);
    if (!marks.selectedField && marks.isSelected(&module)) {
        painter.setPen(QPen(S::role(ci_selected), 1));
        painter.drawRect(box);
        painter.setPen(QPen(S::shadow(), 1));
        painter.drawPolyline(QPolygonF{inner.bottomLeft(), inner.bottomRight(), inner.topRight()});
        painter.setPen(QPen(Qt::yellow, 1));
        painter.drawPolyline(QPolygonF{inner.bottomLeft(), inner.topLeft(), inner.topRight()});
    } else {
        painter.setPen(QPen(S::role(ci_normal), 1));
        painter.drawRect(box);
    }
    painter.fillRect(inner, S::role(markProcessor ? ci_processorB : ci_fill));

    // Title row in the colour of the operator's class.
    QRectF title(box.x() + 1, box.y() + 1, box.width() - 2, Module::kTitleHeight);
    int classId = module.opDescriptor() ? module.opDescriptor()->operatorId() : -1;
    painter.fillRect(title, S::operatorClass(classId));
    painter.setPen(QPen(S::darkGray(), 0.5));
    painter.drawLine(title.bottomLeft(), title.bottomRight());

    QColor titleColor = S::darkGray();
    if (module.numRefs() == 0 && module.hasWPFields() == 0)
        titleColor = S::role(ci_comment);
    else if (module.isSuper())
        titleColor = S::role(ci_super);
    S::drawTextString(painter, Latin1::qstring(module.name()), title, S::System8, titleColor);

    if (auto nameField = module.opstartNameField()) {
        QRectF row = title.translated(0, Module::kTitleHeight);
        S::drawTextString(painter, Latin1::qstring(nameField->text()), row, S::BlackLabel10,
                          S::textColor(S::BlackLabel10));
    }

    drawInfoStrings(painter, module, inner, showMode);
    if (showMode & Module::SHOW_ORDER)
        BadgePainter::drawModuleBadge(painter, module, orderNumber, &module == marks.highlightModule.get());

    InstanceCounter instances;
    for (const auto& field : module.fieldArray()) {
        const int instance = instances.next(*field);
        if (field->gpos() != 0)
            drawPin(painter, *field, instance, module, marks, showMode);
    }
}

void ModulePainter::drawPin(QPainter& painter, ModuleField& field, int instance, const Module& module,
                            const CanvasMarks::Shown& marks, int showMode)
{
    using S = CanvasStyle;
    QRectF pin = S::qrect(field.setConnRect(module.rect()));
    const bool input = field.gpos() > 0;
    if (&field == marks.selectedField.get() || &field == marks.highlightField.get()) {
        drawBubble(painter, field, pin);
        pin.adjust(2, 2, -2, -2);
    } else if ((showMode & Module::SHOW_DEFAULTS) && field.type() == OperatorEntry::ED_CONTROL && !field.source()) {
        QString value = Latin1::qstring(field.getName(true, false, false, false, true));
        const auto font = S::GrayLabel7;
        QRectF at = besidePin(pin, S::textSize(value, font), input);
        S::drawTextString(painter, value, at, font, S::textColor(S::GrayLabel7));
    }
    const QColor fill = field.isWP() ? S::lightGray() : S::role(field.fillColor());
    S::drawPin(painter, pin, S::role(field.strokeColor()), fill);
    if (field.iterator() && !field.iterator()->isHidden())
        S::drawTextString(painter, QString::number(instance), pin, S::BlackSystem8, S::textColor(S::BlackSystem8));
}

void ModulePainter::drawBubble(QPainter& painter, const ModuleField& field, const QRectF& pin)
{
    using S = CanvasStyle;
    QColor stroke = S::role(field.strokeColor());
    QColor selectFill = S::role(ci_select_fill);
    S::strokeOval(painter, pin, stroke, 1, &selectFill);

    std::string label = field.name();
    const Module* module = field.parent();
    if (module && !module->isTopLevel() && !module->partialPath().empty())
        label = module->partialPath() + "/" + label;
    QString text = Latin1::qstring(label);
    const auto font = S::Bubble;
    QRectF box = besidePin(pin, S::textSize(text, font), field.gpos() > 0);
    QRectF frame = box.adjusted(-3, -1, 3, 1);
    painter.setPen(QPen(stroke, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(frame);
    S::drawTextString(painter, text, box, font, S::textColor(S::Bubble));
}

void ModulePainter::drawInfoStrings(QPainter& painter, const Module& module, const QRectF& inner, int showMode)
{
    using S = CanvasStyle;
    auto line = InfoLine::infoFor(module, showMode);
    if (!line)
        return;
    QRectF row(inner.x() + 1, inner.bottom() - Module::kInfoHeight, inner.width() - 2, Module::kInfoHeight);
    if (line->range) {
        QRectF above(row.x(), inner.bottom() - 2 * Module::kInfoHeight, row.width(), Module::kInfoHeight);
        S::drawTextString(painter, Latin1::qstring(*line->range), above, S::GrayLabel7, S::textColor(S::GrayLabel7));
    }
    S::drawTextString(painter, Latin1::qstring(line->text), row, S::BlackLabel8, S::textColor(S::BlackLabel8));
}

} // namespace tosk
