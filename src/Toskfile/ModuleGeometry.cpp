// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ModuleGeometry.h"

#include "base/TextCase.h"
#include "database/OperatorEntry.h"

#include <algorithm>
#include <cmath>

namespace tosk {

Rect ModuleGeometry::orderCircle(const Rect& box, bool head)
{
    if (head)
        return Rect(20, 12, Module::kOrderCircleSize, Module::kOrderCircleSize);
    const double half = Module::kOrderCircleSize / 2;
    const double x0 = std::floor(box.midX() - half), y0 = std::floor(box.midY() - half);
    const double x1 = std::ceil(box.midX() + half), y1 = std::ceil(box.midY() + half);
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect ModuleGeometry::nameRow(const Rect& box)
{
    return Rect(box.x() + 1, box.y() + 1 + Module::kTitleHeight, box.width() - 2, Module::kTitleHeight);
}

Rect ModuleGeometry::pinRect(const Rect& box, int row)
{
    const int k = row > 0 ? row : -row;
    const double cx = row > 0 ? box.x() : box.maxX();
    const double cy = box.y() + Module::kRowHeight * k;
    const double half = Module::kPinSide / 2;
    return Rect(cx - half, cy - half, Module::kPinSide, Module::kPinSide);
}

Rect ModuleGeometry::placedBox(const Module& module, int showMode)
{
    if (!module.isPlaced())
        return Rect(module.rect().origin, Size{});
    return box(module, measure(module, showMode).rows);
}

int ModuleGeometry::hiddenCount(const Module& module)
{
    return int(std::count_if(module.fieldArray().begin(), module.fieldArray().end(),
                             [](const auto& f) { return f->isHidden(); }));
}

void ModuleGeometry::PinCount::add(const ModuleField& f, int type)
{
    if (f.isHidden()) {
        ++hidden;
        return;
    }
    // A field without an entry has no type and no pin.
    const bool unconnected = (showMode & Module::SHOW_UNCONNECTED) != 0;
    const bool sourced = f.source() || unconnected;
    const bool connected = f.numConnects() > 0 || unconnected;
    switch (type) {
    case OperatorEntry::SIGNAL:
        sigOut += connected && (showMode & Module::SHOW_SIGNAL);
        break;
    case OperatorEntry::CONTROL:
        ctlOut += connected && (showMode & Module::SHOW_CONTROL);
        break;
    case OperatorEntry::USEROBJ:
        usrOut += connected && (showMode & Module::SHOW_USEROBJ);
        break;
    case OperatorEntry::ED_SIGNAL:
        sigIn += sourced && (showMode & Module::SHOW_SIGNAL);
        break;
    case OperatorEntry::ED_CONTROL:
        ctlIn += sourced && (showMode & Module::SHOW_CONTROL);
        break;
    case OperatorEntry::ED_USEROBJ:
        usrIn += sourced && (showMode & Module::SHOW_USEROBJ);
        break;
    default:
        break;
    }
}

int ModuleGeometry::PinCount::rows(const Module& module) const
{
    const int outs = sigOut + ctlOut + usrOut;
    const int ins = sigIn + ctlIn + usrIn;
    if (outs == 0 && ins == 0 && hidden == 0 && !equalsIgnoringCase(module.name(), "REMOTER") &&
        !equalsIgnoringCase(module.name(), "MARKER"))
        return 0;
    return std::max(std::max(outs, ins) + 1, Module::kMinRows);
}

namespace {

ModuleGeometry::PinCount countPins(const Module& module, int showMode)
{
    ModuleGeometry::PinCount n(showMode);
    for (const auto& f : module.fieldArray())
        n.add(*f, f->type());
    return n;
}

} // namespace

ModuleGeometry::Measure ModuleGeometry::measure(const Module& module, int showMode)
{
    const PinCount n = countPins(module, showMode);
    return Measure{n.rows(module), n.hidden};
}

void ModuleGeometry::layOut(const Module& module, int showMode, Laid& out)
{
    const bool unconnected = (showMode & Module::SHOW_UNCONNECTED) != 0;
    const FieldOrder& fields = module.fieldArray();
    const PinCount n = countPins(module, showMode);
    const int nSigOut = n.sigOut, nCtlOut = n.ctlOut, nUsrOut = n.usrOut;
    const int nSigIn = n.sigIn, nCtlIn = n.ctlIn, nUsrIn = n.usrIn;

    out.rows = n.rows(module);
    out.hidden = n.hidden;
    out.nameField = nullptr;
    out.pins.clear();
    // The first instance-name entry without a pin, hidden or not, shows in
    // the row under the title.
    auto nameRowFor = [&out](const ModuleField& f) {
        if (!out.nameField && f.entry() && equalsIgnoringCase(f.entry()->name(), "opstart_name"))
            out.nameField = &f;
    };
    int sigIn = 0, ctlIn = 0, usrIn = 0, sigOut = 0, ctlOut = 0, usrOut = 0;
    for (const auto& f : fields) {
        if (f->isHidden() || !f->entry()) {
            nameRowFor(*f);
            continue;
        }
        bool sourced = f->source() || unconnected;
        bool connected = f->numConnects() > 0 || unconnected;
        int row = 0;
        switch (f->type()) {
        case OperatorEntry::ED_SIGNAL:
            if (sourced && nSigIn > 0)
                row = ++sigIn;
            break;
        case OperatorEntry::ED_CONTROL:
            if (sourced && nCtlIn > 0)
                row = nSigIn + ++ctlIn;
            break;
        case OperatorEntry::ED_USEROBJ:
            if (sourced && nUsrIn > 0)
                row = nSigIn + nCtlIn + ++usrIn;
            break;
        case OperatorEntry::SIGNAL:
            if (connected && nSigOut > 0)
                row = -(++sigOut);
            break;
        case OperatorEntry::CONTROL:
            if (connected && nCtlOut > 0)
                row = -(nSigOut + ++ctlOut);
            break;
        case OperatorEntry::USEROBJ:
            if (connected && nUsrOut > 0)
                row = -(nSigOut + nCtlOut + ++usrOut);
            break;
        default:
            break;
        }
        if (row != 0)
            out.pins.push_back(Pin{f.get(), static_cast<int16_t>(row)});
        else
            nameRowFor(*f);
    }
}

} // namespace tosk
