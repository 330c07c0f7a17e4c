// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tosk {

// A transfer curve as a sum of Chebyshev polynomials: driven by a full-scale
// sine, polynomial k gives harmonic k, so each amplitude sets one harmonic of
// the shaped sound. Amplitude 0 is the constant term and counts half, as in a
// Chebyshev series. The curve is sampled at numberOfPoints() points spread
// evenly over -1..1 (a single point sits at 0).
class ChebyshevWaveshape {
public:
    // How many harmonics the waveshape editor offers, and its slider ranges.
    // A harmonic can be inverted: a falling curve needs a negative first one.
    static constexpr uint32_t kEditorHarmonics = 13;
    static constexpr double kConstantMinimum = -2;
    static constexpr double kConstantMaximum = 2;
    static constexpr double kHarmonicMinimum = -1;
    static constexpr double kHarmonicMaximum = 1;

    // All amplitudes 0, no points.
    explicit ChebyshevWaveshape(uint32_t numberOfHarmonics = 8);
    // The shape of the points (chebyshevFit): through every point when there
    // are no more points than harmonics, otherwise as near them as
    // numberOfHarmonics harmonics come. Its point count is the points'.
    ChebyshevWaveshape(uint32_t numberOfHarmonics, std::span<const double> points);
    static ChebyshevWaveshape shapeFromPoints(std::span<const double> points, uint32_t numberOfHarmonics)
    {
        return ChebyshevWaveshape(numberOfHarmonics, points);
    }

    // Ignored for a harmonic at or past the count.
    void setAmplitude(double amplitude, uint32_t harmonic);
    // 0 past the count.
    double amplitudeForHarmonic(uint32_t harmonic) const;
    std::span<const double> harmonicAmplitudes() const { return harmonicAmplitudes_; }
    uint32_t numberOfHarmonics() const { return static_cast<uint32_t>(harmonicAmplitudes_.size()); }
    uint32_t numberOfPoints() const { return numberOfPoints_; }
    void setNumberOfPoints(uint32_t n) { numberOfPoints_ = n; }
    // The curve at point index i.
    double evaluate(uint32_t i) const;

private:
    std::vector<double> harmonicAmplitudes_;
    uint32_t numberOfPoints_ = 0;
};

// Where point i of np lies on the Chebyshev interval: -1 for the first, +1
// for the last, 0 for a lone point.
double chebyshevPosition(int np, int i);

// The coefficients of the series (as chebyshevEvaluate sums it) nearest the
// points in least squares. With no more terms than points the series passes
// through every point, so that evaluating it gives the points back; terms
// beyond the number of points are 0, since the points cannot tell them.
// Signs are kept.
void chebyshevFit(std::span<double> coefficients, std::span<const double> points);

// The series with the first m coefficients at point i of np (Clenshaw's
// recurrence; coefficient 0 counts half).
double chebyshevEvaluate(std::span<const double> coefficients, int np, int i);

} // namespace tosk
