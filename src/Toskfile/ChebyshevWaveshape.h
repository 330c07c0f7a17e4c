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
    static constexpr uint32_t kEditorHarmonics = 13;
    static constexpr double kConstantMinimum = -2;
    static constexpr double kConstantMaximum = 2;
    static constexpr double kHarmonicMinimum = 0;
    static constexpr double kHarmonicMaximum = 1;

    // All amplitudes 0, no points.
    explicit ChebyshevWaveshape(uint32_t numberOfHarmonics = 8);
    // The shape fitted to the points: the first numberOfHarmonics
    // coefficients of a fit over all the points (as many as there are; the
    // rest stay 0), negative ones raised to 0; its point count is the
    // points'.
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

// Fits coefficients.size() Chebyshev terms to the points, sampling each
// Chebyshev node at the nearest point at or below it (no interpolation). A
// node that falls outside the points (there are none) is logged and counts
// as 0.
void chebyshevFit(std::span<double> coefficients, std::span<const double> points);

// The series with the first m coefficients at point i of np (Clenshaw's
// recurrence; coefficient 0 counts half).
double chebyshevEvaluate(std::span<const double> coefficients, int np, int i);

} // namespace tosk
