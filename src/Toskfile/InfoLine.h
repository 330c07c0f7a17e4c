// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace tosk {

class Module;

// The information line an interface module shows at the bottom of its box:
// its menu statement applied to its value, choice or default, and for
// modules without a value field the range under it.
struct InfoLine {
    static constexpr const char* kInvalidFormat = "Invalid format";

    std::string text;
    // "min...max", shown one row higher; none when not shown.
    std::optional<std::string> range;

    // The line of a module for a show mode; none when it shows no line.
    static std::optional<InfoLine> infoFor(const Module& module, int showMode);
};

} // namespace tosk
