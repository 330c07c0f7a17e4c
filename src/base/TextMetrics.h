// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"

#include <string>

namespace tosk {

// How large a text is drawn on the canvas: the core measures labels with it
// to place them (a pin's value, a selected pin's name) without a toolkit.
// The GUI answers with the fonts it paints with; tests give fixed sizes.
class TextMetrics {
public:
    // The canvas's text styles: the seven of a module and the head boxes'.
    enum Style {
        GrayLabel7,
        BlackLabel8,
        BlackLabel10,
        BlackSystem8,
        System8,
        BlackSystem12,
        Bubble,
        System10,
    };

    virtual ~TextMetrics() = default;
    // The size of a text (8-bit, as the patch holds it) in a style, in points.
    virtual Size textSize(const std::string& text, Style style) const = 0;
};

} // namespace tosk
