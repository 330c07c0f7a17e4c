#include "Toskfile/ChebyshevWaveshape.h"

#include "base/Log.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tosk {

ChebyshevWaveshape::ChebyshevWaveshape(uint32_t numberOfHarmonics) : harmonicAmplitudes_(numberOfHarmonics, 0.0) {}

ChebyshevWaveshape::ChebyshevWaveshape(uint32_t numberOfHarmonics, std::span<const double> points)
    : harmonicAmplitudes_(numberOfHarmonics, 0.0), numberOfPoints_(static_cast<uint32_t>(points.size()))
{
    // A fit has only as many coefficients as there are points; the higher
    // harmonics of a short curve stay silent rather than being read from
    // past the end of the fit.
    std::vector<double> coefficients(points.size(), 0.0);
    chebyshevFit(coefficients, points);
    size_t kept = std::min<size_t>(numberOfHarmonics, coefficients.size());
    for (size_t k = 0; k < kept; ++k)
        harmonicAmplitudes_[k] = std::max(0.0, coefficients[k]);
}

void ChebyshevWaveshape::setAmplitude(double amplitude, uint32_t harmonic)
{
    if (harmonic < harmonicAmplitudes_.size())
        harmonicAmplitudes_[harmonic] = amplitude;
}

double ChebyshevWaveshape::amplitudeForHarmonic(uint32_t harmonic) const
{
    return harmonic < harmonicAmplitudes_.size() ? harmonicAmplitudes_[harmonic] : 0.0;
}

double ChebyshevWaveshape::evaluate(uint32_t i) const
{
    return chebyshevEvaluate(harmonicAmplitudes_, static_cast<int>(numberOfPoints_), static_cast<int>(i));
}

double chebyshevPosition(int np, int i)
{
    if (np < 2)
        return 0.0;
    return static_cast<double>(2 * i - (np - 1)) / (np - 1);
}

void chebyshevFit(std::span<double> coefficients, std::span<const double> points)
{
    const int n = static_cast<int>(coefficients.size());
    const int np = static_cast<int>(points.size());
    const double h = (np - 1) / 2.0;
    std::vector<double> samples(n, 0.0);
    for (int k = 0; k < n; ++k) {
        int idx = static_cast<int>(std::floor(std::cos(std::numbers::pi * (k + 0.5) / n) * h + h));
        if (idx < 0 || idx >= np)
            logf("chebyshevFit idx(%i) >= np(%i)", idx, np);
        else
            samples[k] = points[idx];
    }
    for (int j = 0; j < n; ++j) {
        double sum = 0.0;
        for (int k = 0; k < n; ++k)
            sum += samples[k] * std::cos(std::numbers::pi * j * (k + 0.5) / n);
        coefficients[j] = 2.0 / n * sum;
    }
}

double chebyshevEvaluate(std::span<const double> coefficients, int np, int i)
{
    const size_t m = coefficients.size();
    if (m == 0)
        return 0.0;
    if (m == 1)
        return coefficients[0] / 2;
    const double x = chebyshevPosition(np, i);
    double d = 0.0;
    double dd = 0.0;
    for (size_t j = m - 1; j >= 1; --j) {
        double t = 2 * x * d - dd + coefficients[j];
        dd = d;
        d = t;
    }
    return x * d - dd + coefficients[0] / 2;
}

} // namespace tosk
