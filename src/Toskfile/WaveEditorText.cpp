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
    return padded(std::string(buffer, end));
}

std::array<std::string, 12> harmonicFrequencyTexts(int cutOff)
{
    std::array<std::string, 12> texts;
    for (int k = 1; k <= 12; ++k)
        texts[k - 1] = padded(std::to_string(static_cast<long long>(cutOff) * k));
    return texts;
}

} // namespace tosk
