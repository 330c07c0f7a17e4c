// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"
#include "base/Geometry.h"

#include <optional>

namespace tosk {

// Where a module and its pins stand on the canvas: the rows of its pins and
// the height of its box for a show mode, the rects that follow from the box
// (graphic rect, order circle, name row, pin squares) and the pin under a
// point. The module keeps the results; this computes them.
class ModuleGeometry {
public:
    using FieldPtr = Module::FieldPtr;

    // Gives every visible pin its row for the show mode (inputs left, outputs
    // right; signal, then control, then user-object pins from row 1), counts
    // the hidden fields and sets the box's number of rows; answers it (0: the
    // module is not drawn). With an origin, the box is also placed there;
    // either way the pins are placed once.
    static int layOut(Module& module, int showMode, std::optional<Point> origin = std::nullopt);
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
    static Rect box(const Module& module, int rows);
    // How many of the module's fields are hidden: always hidden, or hidden
    // by a hide count of the file.
    static int hiddenCount(const Module& module);
    // The box widened by the pin margins; the box itself at the origin.
    static Rect graphicRect(const Rect& box);
    // The square of the order badge: centred on the box, rounded outward to
    // whole points; the head's sits in the canvas's corner.
    static Rect orderCircle(const Rect& box, bool head);
    // The row under the title that shows the instance name.
    static Rect nameRow(const Rect& box);
    // The pin square of a row: positive rows on the left edge, negative ones
    // on the right, row k centred 16k below the top.
    static Rect pinRect(const Rect& box, int row);
    // Puts every field's rect where it is drawn: pins beside the box, the
    // instance name in its row, an empty rect for the rest.
    static void placeFields(Module& module);
    // The field whose rect holds the point (never an ED_STRING field).
    static FieldPtr fieldUnderPoint(const Module& module, const Point& point);
};

} // namespace tosk
