// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <variant>

namespace tosk {

// The menu statement of an interface module ("Knob:%5.2f", "Mode:%s"): a
// printf-style format with at most one conversion, applied to the module's
// value, choice or default.
class MenuStatement {
public:
    // Texts given to numeric conversions must be numbers; numbers given to
    // %s or %@ are written as the file writes them. None for a statement
    // that cannot be applied: several conversions, an unknown one, a '*'
    // width, a width or precision past a line, a text that is no number.
    static std::optional<std::string> apply(const std::string& format,
                                            const std::variant<std::string, double>& argument);
};

} // namespace tosk
