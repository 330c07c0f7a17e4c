// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"
#include "base/Geometry.h"

#include <cstdint>
#include <vector>

namespace tosk {

// Where a module and its pins stand on the canvas: the rows of its pins and
// the height of its box for a show mode, and the rects that follow from the
// box (graphic rect, order circle, name row, pin squares). It computes them
// from the module and writes nothing: a view's CanvasLayout keeps them.
class ModuleGeometry {
public:
    using FieldPtr = Module::FieldPtr;

    // A field's pin and its row: positive rows on the left (inputs),
    // negative ones on the right (outputs).
    struct Pin {
        const ModuleField* field;
        int16_t row;
    };
    // A module laid out for a show mode.
    struct Laid {
        int rows = 0;   // the box's height in rows; 0: not drawn
        int hidden = 0; // fields hidden
        // The field drawn in the instance-name row; none without one.
        const ModuleField* nameField = nullptr;
        // The fields with a pin, in the module's order.
        std::vector<Pin> pins;
    };
    // Gives every visible pin its row for the show mode (inputs left, outputs
    // right; signal, then control, then user-object pins from row 1), counts
    // the hidden fields and the box's rows. Reuses the storage of `out`.
    static void layOut(const Module& module, int showMode, Laid& out);
    // What layOut would find, without writing it anywhere: the box's rows
    // (0: not drawn) and the number of hidden fields.
    struct Measure {
        int rows = 0;
        int hidden = 0;
    };
    static Measure measure(const Module& module, int showMode);
    // Counts the pins a show mode gives a module field by field, for a
    // caller that walks the fields anyway.
    struct PinCount {
        explicit PinCount(int showMode) : showMode(showMode) {}
        // The field's type is passed in, as the caller has it already.
        void add(const ModuleField& field, int type);
        int rows(const Module& module) const;

        int showMode;
        int sigOut = 0, ctlOut = 0, usrOut = 0, sigIn = 0, ctlIn = 0, usrIn = 0;
        int hidden = 0;
    };
    // The box a layout of that many rows gives the module where it stands.
    static Rect box(const Module& module, int rows)
    {
        return Rect(module.rect().origin, Size{Module::kWidth, Module::kRowHeight * rows});
    }
    // The box of a module as read from its file, before any view lays it
    // out: a placed module's as tall as the show mode makes it, an unplaced
    // one's of no size at its origin.
    static Rect placedBox(const Module& module, int showMode);
    // How many of the module's fields are hidden: always hidden, or hidden
    // by a hide count of the file.
    static int hiddenCount(const Module& module);
    // The box widened by the pin margins; the box itself at the origin.
    static Rect graphicRect(const Rect& box)
    {
        return box.origin == Point{0, 0} ? box : box.inset(-Module::kMarginX, -Module::kMarginY);
    }
    // The square of the order badge: centred on the box, rounded outward to
    // whole points; the head's sits in the canvas's corner.
    static Rect orderCircle(const Rect& box, bool head);
    // The row under the title that shows the instance name.
    static Rect nameRow(const Rect& box);
    // The pin square of a row: positive rows on the left edge, negative ones
    // on the right, row k centred 16k below the top.
    static Rect pinRect(const Rect& box, int row);
};

} // namespace tosk
