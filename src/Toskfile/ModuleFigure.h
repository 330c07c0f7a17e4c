// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"
#include "base/TextMetrics.h"

#include <optional>
#include <string>
#include <vector>

namespace tosk {

class CanvasLayout;
class Module;
class ModuleField;

// Where each part of one module's picture goes, worked out from the laid-out
// module before it is painted: the box with its rows, every pin with what is
// written beside it, and the area all of it covers. Texts are measured
// through TextMetrics, so the core knows how far a label reaches.
struct ModuleFigure {
    // A text (8-bit, as the patch holds it) and the box it is drawn in.
    struct Label {
        std::string text;
        Rect box;
    };

    struct Pin {
        const ModuleField* field = nullptr;
        // The oval drawn: the pin rect, inset by 2 inside a bubble.
        Rect oval;
        // A selected or highlighted pin: its whole rect filled as a bubble,
        // and its name beside it in a white frame.
        std::optional<Rect> bubble;
        std::optional<Label> name;
        Rect nameFrame;
        // The value of an unconnected control input, beside its pin.
        std::optional<Label> value;
        // The repetition number written in the pin.
        std::optional<int> instance;
    };

    Rect box;
    // The box inset by 1: what is filled inside the outline.
    Rect inner;
    // The operator's name in the title row.
    Label title;
    // The instance name in the row under the title.
    std::optional<Label> instanceName;
    // An interface module's info line, and its range one row higher.
    std::optional<Label> info;
    std::optional<Label> range;
    std::vector<Pin> pins;
    // The graphic rect with every label: all that painting the module covers.
    Rect bounds;

    // The figure of a module as the layout lays it out for its show mode,
    // with the selected and the highlighted pin (either may be null). Reuses
    // this figure's storage.
    void compute(const CanvasLayout& layout, const Module& module, const ModuleField* selected,
                 const ModuleField* highlighted, const TextMetrics& metrics);

    // The box of a text beside a pin: after an input's pin, before an
    // output's, vertically centred on it, one point larger than the text.
    static Rect besidePin(const Rect& pin, const Size& text, bool input);
    // A rect with its edges moved, the left and top ones by dx0 and dy0, the
    // right and bottom ones by dx1 and dy1 (as the painter's rects compute it,
    // so that a label lands on the same pixels wherever it is computed).
    static Rect adjusted(const Rect& r, double dx0, double dy0, double dx1, double dy1);
};

} // namespace tosk
