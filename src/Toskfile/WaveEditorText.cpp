// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/WaveEditorText.h"

#include <charconv>
#include <cmath>

namespace tosk {

namespace {

std::string padded(std::string text)
{
    if (text.size() < 5)
        text.insert(0, 5 - text.size(), ' ');
    return text;
}

} // namespace

std::string sliderValueText(double value)
{
    if (!std::isfinite(value))
        value = 0;
    char buffer[330];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3).ptr;
    std::string text(buffer, end);
    // A fit leaves traces of rounding: no "-0.000" for them.
    if (text == "-0.000")
        text.erase(0, 1);
    return padded(text);
}

std::array<std::string, 12> harmonicFrequencyTexts(int cutOff)
{
    std::array<std::string, 12> texts;
    for (int k = 1; k <= 12; ++k)
        texts[k - 1] = padded(std::to_string(static_cast<long long>(cutOff) * k));
    return texts;
}

} // namespace tosk
