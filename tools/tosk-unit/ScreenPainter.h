// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/Sysex.h"

#include <string>
#include <vector>

namespace tosk::unit {

// The unit's display: a framed 240 x 64 one-bit screen with up to four lines
// of text in a 5 x 7 font, black on white (a set bit is white).
class ScreenPainter {
public:
    static constexpr uint32_t width = 240;
    static constexpr uint32_t height = 64;

    // Rows of width / 8 bytes each, first row first.
    static Bytes paint(const std::vector<std::string>& lines);
};

} // namespace tosk::unit
