// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "canvas/CanvasMarks.h"

#include <string>

class QPainter;

namespace tosk {

class Module;
struct ModuleFigure;

// Paints one module from its figure (ModuleFigure): its box and outline,
// title and name rows, info line, order badge and pins with their bubbles
// and default values.
class ModulePainter {
public:
    // The module's number as its badge shows it: its index in the patch's
    // list (the head is 0), "?" for a module that is not in the list.
    static std::string orderText(size_t index);

    static void draw(QPainter& painter, const ModuleFigure& figure, const Module& module,
                     const CanvasMarks::Shown& marks, bool markProcessor, int showMode, const std::string& orderNumber);
};

} // namespace tosk
