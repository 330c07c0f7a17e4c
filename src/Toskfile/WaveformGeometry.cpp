// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/WaveformGeometry.h"

#include <algorithm>
#include <cmath>

namespace tosk {

WaveformGeometry::WaveformGeometry(double width, double height, int numberOfPoints, double minValue, double maxValue)
    : width_(width), height_(height), numberOfPoints_(std::max(numberOfPoints, 0)), minValue_(minValue),
      maxValue_(maxValue)
{
    // An empty table still gets a frame to draw.
    dx_ = (width_ - 8) / std::max(numberOfPoints_, 1);
    margin_ = (width_ - dx_ * std::max(numberOfPoints_, 1)) / 2;
    viewHeight_ = height_ - 8;
    scaleFactor_ = (maxValue_ - minValue_) / (height_ - 8);
}

std::optional<double> WaveformGeometry::zeroLineY() const
{
    if (minValue_ > 0)
        return std::nullopt;
    return yForValue(0);
}

double WaveformGeometry::yForValue(double value) const
{
    // A range of one value (or a view with no height) is drawn at mid-height.
    if (scaleFactor_ == 0 || !std::isfinite(scaleFactor_))
        return std::round(margin_ + viewHeight_ / 2);
    return std::round(margin_ + viewHeight_ - (value - minValue_) / scaleFactor_);
}

double WaveformGeometry::valueForY(double y) const
{
    y = std::clamp(y, margin_, std::max(margin_, height_ - margin_));
    if (!std::isfinite(scaleFactor_))
        return minValue_;
    return (margin_ + viewHeight_ - y) * scaleFactor_ + minValue_;
}

double WaveformGeometry::tolerance() const
{
    return std::min(dx_ / 3, 8.0);
}

std::optional<int> WaveformGeometry::pointAt(double x) const
{
    if (!(x > 0 && x < width_))
        return std::nullopt;
    const double t = tolerance();
    for (int k = 0; k < numberOfPoints_; ++k)
        if (x >= pointX(k) - t && x <= pointX(k) + t)
            return k;
    return std::nullopt;
}

std::vector<std::pair<int, double>> WaveformGeometry::strokeValues(double x0, double y0, double x1, double y1) const
{
    std::vector<std::pair<int, double>> values;
    if (x0 != x1) {
        const bool rightwards = x1 > x0;
        for (int i = 0; i < numberOfPoints_; ++i) {
            const int k = rightwards ? i : numberOfPoints_ - 1 - i;
            const double x = pointX(k);
            if (x >= std::min(x0, x1) && x <= std::max(x0, x1))
                values.emplace_back(k, valueForY(y0 + (y1 - y0) * (x - x0) / (x1 - x0)));
        }
    }
    if (std::optional<int> k = pointAt(x1)) {
        const double value = valueForY(y1);
        auto crossed = std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.first == *k; });
        if (crossed != values.end())
            crossed->second = value;
        else
            values.emplace_back(*k, value);
    }
    return values;
}

} // namespace tosk
