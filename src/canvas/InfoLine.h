#pragma once

#include <optional>
#include <string>
#include <variant>

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

    // Applies a printf-style menu statement with at most one conversion to a
    // text or a number. Texts given to numeric conversions must be numbers
    // and numbers given to %s or %@ are written as the file writes them.
    // None for a statement that cannot be applied (several conversions, an
    // unknown one, a '*' width, a text that is no number).
    static std::optional<std::string> applyFormat(const std::string& format,
                                                  const std::variant<std::string, double>& argument);
};

} // namespace tosk
