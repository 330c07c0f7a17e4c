// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <utility>
#include <vector>

namespace tosk {

// Where the wave editors' view draws a table of n points in a view of width
// W and height H (flipped: y grows downwards), and which point a mouse
// position reaches. Points sit on n + 1 grid lines dx apart inside a margin;
// the highest value is drawn at the margin, the lowest at H - margin.
class WaveformGeometry {
public:
    WaveformGeometry(double width, double height, int numberOfPoints, double minValue, double maxValue);

    double width() const { return width_; }
    double height() const { return height_; }
    int numberOfPoints() const { return numberOfPoints_; }
    double dx() const { return dx_; }
    double margin() const { return margin_; }
    double viewHeight() const { return viewHeight_; }
    // Point value per pixel.
    double scaleFactor() const { return scaleFactor_; }

    // Grid line k (0 to n) and point k (0 to n - 1) share their x.
    double pointX(int k) const { return margin_ + k * dx_; }
    // The vertical grid lines and the value axis run from here to there.
    double top() const { return margin_; }
    double bottom() const { return height_ - margin_; }
    // The centre line of the table.
    double centreX() const { return (width_ - dx_) / 2; }
    // The y of value 0, when the range reaches down to it.
    std::optional<double> zeroLineY() const;

    // Whole pixels, as the curve is drawn.
    double yForValue(double value) const;
    // The value at a mouse y, taken within the drawn range.
    double valueForY(double y) const;
    // How far from a point's grid line the mouse still reaches it: a third
    // of dx, at most 8.
    double tolerance() const;
    // The first point whose grid line is within the tolerance of x; none
    // outside the view or between points.
    std::optional<int> pointAt(double x) const;
    // The points a move of the mouse from (x0, y0) to (x1, y1) sets, each
    // once, in the order the move passes them, with their values: a point
    // whose grid line the move crosses takes the height of the line between
    // the two positions there, and the point within reach of the end takes
    // the end's height. So a fast stroke leaves no point out between two
    // positions the mouse reported. A move that stays put is one position.
    std::vector<std::pair<int, double>> strokeValues(double x0, double y0, double x1, double y1) const;

private:
    double width_;
    double height_;
    int numberOfPoints_;
    double minValue_;
    double maxValue_;
    double dx_;
    double margin_;
    double viewHeight_;
    double scaleFactor_;
};

} // namespace tosk
