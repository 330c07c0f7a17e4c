// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ModuleFigure.h"

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/InfoLine.h"
#include "Toskfile/InstanceCounter.h"
#include "Toskfile/Module.h"
#include "Toskfile/ModuleGeometry.h"
#include "database/OperatorEntry.h"

namespace tosk {

Rect ModuleFigure::adjusted(const Rect& r, double dx0, double dy0, double dx1, double dy1)
{
    return Rect(r.x() + dx0, r.y() + dy0, r.width() + dx1 - dx0, r.height() + dy1 - dy0);
}

Rect ModuleFigure::besidePin(const Rect& pin, const Size& text, bool input)
{
    const Size box{text.width + 1, text.height + 1};
    const double x = input ? pin.maxX() + 3 : pin.minX() - text.width - 3;
    return Rect(Point{x, pin.midY() - box.height / 2}, box);
}

void ModuleFigure::compute(const CanvasLayout& layout, const Module& module, const ModuleField* selected,
                           const ModuleField* highlighted, const TextMetrics& metrics)
{
    const int showMode = layout.showMode();
    box = layout.box(module);
    inner = adjusted(box, 1, 1, -1, -1);
    title = Label{module.name(), Rect(box.x() + 1, box.y() + 1, box.width() - 2, Module::kTitleHeight)};
    instanceName.reset();
    if (auto nameField = module.opstartNameField())
        instanceName = Label{std::string(nameField->text()), title.box.offset(0, Module::kTitleHeight)};
    bounds = ModuleGeometry::graphicRect(box);

    info.reset();
    range.reset();
    if (auto line = InfoLine::infoFor(module, showMode)) {
        const Rect row(inner.x() + 1, inner.maxY() - Module::kInfoHeight, inner.width() - 2, Module::kInfoHeight);
        if (line->range)
            range = Label{std::move(*line->range),
                          Rect(row.x(), inner.maxY() - 2 * Module::kInfoHeight, row.width(), Module::kInfoHeight)};
        info = Label{std::move(line->text), row};
    }

    pins.clear();
    InstanceCounter instances;
    const std::vector<ModuleGeometry::Pin>& laid = layout.pins(module);
    size_t next = 0;
    for (const auto& field : module.fieldArray()) {
        const int instance = instances.next(*field);
        if (next == laid.size() || laid[next].field != field.get())
            continue;
        const int row = laid[next++].row;
        Pin& pin = pins.emplace_back();
        pin.field = field.get();
        const Rect rect = ModuleGeometry::pinRect(box, row);
        const bool input = row > 0;
        pin.oval = rect;
        if (field.get() == selected || field.get() == highlighted) {
            pin.bubble = rect;
            std::string label = field->name();
            const Module* parent = field->parent();
            if (parent && !parent->isTopLevel() && !parent->partialPath().empty())
                label = parent->partialPath() + "/" + label;
            const Rect at = besidePin(rect, metrics.textSize(label, TextMetrics::Bubble), input);
            pin.name = Label{std::move(label), at};
            pin.nameFrame = adjusted(at, -3, -1, 3, 1);
            pin.oval = adjusted(rect, 2, 2, -2, -2);
            bounds = bounds.united(pin.nameFrame);
        } else if ((showMode & Module::SHOW_DEFAULTS) && field->type() == OperatorEntry::ED_CONTROL &&
                   !field->source()) {
            std::string text = field->getName(true, false, false, false, true);
            const Rect at = besidePin(rect, metrics.textSize(text, TextMetrics::GrayLabel7), input);
            pin.value = Label{std::move(text), at};
            bounds = bounds.united(at);
        }
        if (field->iterator() && !field->iterator()->isHidden())
            pin.instance = instance;
    }
}

} // namespace tosk
