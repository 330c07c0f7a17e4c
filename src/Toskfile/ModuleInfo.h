// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"

#include <string>
#include <string_view>

namespace tosk {

class Module;

// The info token that ends a module's line in a sig file: its position
// (";=x,y,w,0") and the hide counts of its fields (" f= index,count,...").
class ModuleInfo {
public:
    // The token with its leading blank; "" when there is nothing to write.
    // The position is written moved by `offset` (members of a group are kept
    // relative to it); a group writes no hide counts of its own.
    static std::string write(const Module& module, const Point& offset);
    // The same appended to `out`.
    static void append(std::string& out, const Module& module, const Point& offset);
    // Takes the hide counts and the position of a token; false when it is
    // not one or holds fewer than two numbers (the hide counts read before
    // are kept). Throws on a field index that does not exist.
    static bool read(Module& module, std::string_view text);
};

} // namespace tosk
