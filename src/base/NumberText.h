// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string_view>

namespace tosk {

// A number read the way a typed or stored value is: leading blanks and a
// sign, then the digits that follow; anything after them is ignored. No
// digits give 0; values past the int range give the nearest limit.
int32_t leadingInteger(std::string_view text);

// A decimal number in the C form, read as strtod reads it in the "C" locale
// whatever the process locale is (Qt sets the desktop's, where "1.5" may stop
// at the point): leading blanks and a sign, digits with an optional point and
// fraction, an optional exponent; anything after them is ignored. No digits
// give 0; past the double range gives infinity, below it zero. Hexadecimal,
// "inf" and "nan" are not read.
double leadingDecimal(std::string_view text);

} // namespace tosk
