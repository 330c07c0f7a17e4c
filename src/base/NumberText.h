#pragma once

#include <cstdint>
#include <string_view>

namespace tosk {

// A number read the way a typed or stored value is: leading blanks and a
// sign, then the digits that follow; anything after them is ignored. No
// digits give 0; values past the int range give the nearest limit.
int32_t leadingInteger(std::string_view text);

} // namespace tosk
