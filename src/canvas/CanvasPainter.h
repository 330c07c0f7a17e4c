// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ModuleFigure.h"
#include "base/Geometry.h"

class QPainter;

namespace tosk {

class CanvasLayout;
class Module;
class ModuleList;
struct CanvasMarks;
struct GridSettings;

// Paints a whole patch as a CanvasLayout laid it out: its modules in list
// order, the selected ones last so that they lie on top (those after the
// marker in processor B's colour), the head's boxes, the wires and the marks
// of the interaction. It changes nothing in the patch. The canvas, `tosk-cli
// render` and the tests all paint through this.
class CanvasPainter {
public:
    // Paints the area `dirty` (canvas points): the modules whose graphic
    // rect (or, for one with a marked pin, its figure) meets it, and the
    // wires that reach into it.
    void drawRect(QPainter& painter, const Rect& dirty, const CanvasLayout& layout, const ModuleList& patch,
                  const Module* head, const CanvasMarks& marks);

    // The grid drawn under the patch while its `showsGrid` is on (none by
    // default); it must outlive the painter, as the canvas's own does.
    void setGrid(const GridSettings* grid) { grid_ = grid; }

    // How many modules the last paint drew.
    int modulesDrawn() const { return modulesDrawn_; }

private:
    // Kept between modules and paints so that its storage is reused.
    ModuleFigure figure_;
    const GridSettings* grid_ = nullptr;
    int modulesDrawn_ = 0;
};

} // namespace tosk
