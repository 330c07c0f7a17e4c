// SPDX-License-Identifier: GPL-3.0-or-later
// Keys of the running patch's menu and the limit test, shared by the simulated unit's sources.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>

namespace tosk::unit {

// The running patch's menu, its pages and its controls.
inline const std::string patchMenuKey = "3";
inline std::string controlKey(size_t index)
{
    return std::to_string(4000 + index);
}
inline bool isControlKey(const std::string& key)
{
    return key.size() == 4 && key[0] == '4';
}

// Within the limits, give or take what the text's four decimals lose.
inline bool within(double value, double minimum, double maximum)
{
    const double slack = 1e-9 * std::max(1.0, std::fabs(maximum - minimum));
    return value >= minimum - slack && value <= maximum + slack;
}

} // namespace tosk::unit
