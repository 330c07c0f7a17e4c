// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "canvas/CanvasMarks.h"
#include "canvas/CanvasStyle.h"

#include <string>

class QPainter;

namespace tosk {

class Module;
struct Rect;
struct ModuleFigure;

// Paints one module from its figure (ModuleFigure): its box and outline,
// title and name rows, info line, order badge and pins with their bubbles
// and default values.
class ModulePainter {
public:
    // The module's number as its badge shows it: its index in the patch's
    // list (the head is 0), "?" for a module that is not in the list.
    static std::string orderText(size_t index);

    // `index` is the module's place in the patch's list, for its badge.
    static void draw(QPainter& painter, const ModuleFigure& figure, const Module& module,
                     const CanvasMarks::Shown& marks, bool markProcessor, int showMode, size_t index);
    // A box too small for an inside (CanvasStyle::isSpeck): the block its
    // outline fills, in the selection's colour when selected, added to the
    // batch, and its badge, without laying out its pins and texts.
    static void drawSpeck(QPainter& painter, CanvasStyle::SpeckBatch& specks, const Rect& box, const Module& module,
                          const CanvasMarks::Shown& marks, int showMode, size_t index);
};

} // namespace tosk
