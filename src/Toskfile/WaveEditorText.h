// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>

namespace tosk {

// A slider's value as the wave editors show it beside the slider: three
// decimals, at least five characters wide ("0.500", "-1.000"), with a point
// whatever the desktop's locale.
std::string sliderValueText(double value);

// The frequencies of harmonics 1 to 12 over a cut-off frequency, each at
// least five characters wide ("  100", "  200", ..., " 1200").
std::array<std::string, 12> harmonicFrequencyTexts(int cutOff);

} // namespace tosk
