// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tosk {

// A colour with components from 0 to 1, as the colour tables and painters use it.
struct Color {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;

    bool operator==(const Color&) const = default;

    // Components from 0 to 255, opaque.
    static constexpr Color fromRgb255(int red, int green, int blue)
    {
        return Color{red / 255.0, green / 255.0, blue / 255.0, 1.0};
    }
    static constexpr Color black() { return Color{0, 0, 0, 1}; }
    static constexpr Color white() { return Color{1, 1, 1, 1}; }
};

} // namespace tosk
