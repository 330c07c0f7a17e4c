// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ChebyshevWaveshape.h"

#include <algorithm>
#include <cmath>

namespace tosk {

ChebyshevWaveshape::ChebyshevWaveshape(uint32_t numberOfHarmonics) : harmonicAmplitudes_(numberOfHarmonics, 0.0) {}

ChebyshevWaveshape::ChebyshevWaveshape(uint32_t numberOfHarmonics, std::span<const double> points)
    : harmonicAmplitudes_(numberOfHarmonics, 0.0), numberOfPoints_(static_cast<uint32_t>(points.size()))
{
    chebyshevFit(harmonicAmplitudes_, points);
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
    std::fill(coefficients.begin(), coefficients.end(), 0.0);
    const size_t np = points.size();
    const size_t m = std::min(coefficients.size(), np);
    if (m == 0)
        return;
    // Row i holds the terms at point i (the constant at half weight); the
    // system is solved by Householder reflections, which keep the accuracy
    // the normal equations would square away.
    std::vector<double> a(np * m);
    auto at = [&a, m](size_t i, size_t j) -> double& { return a[i * m + j]; };
    const int n = static_cast<int>(np);
    for (size_t i = 0; i < np; ++i) {
        const double x = chebyshevPosition(n, static_cast<int>(i));
        double before = 1;
        double t = x;
        at(i, 0) = 0.5;
        for (size_t j = 1; j < m; ++j) {
            at(i, j) = t;
            const double next = 2 * x * t - before;
            before = t;
            t = next;
        }
    }
    std::vector<double> b(points.begin(), points.end());
    std::vector<double> v(np);
    for (size_t j = 0; j < m; ++j) {
        double norm = 0;
        for (size_t i = j; i < np; ++i)
            norm += at(i, j) * at(i, j);
        norm = std::sqrt(norm);
        const double alpha = at(j, j) > 0 ? -norm : norm;
        double vv = 0;
        for (size_t i = j; i < np; ++i) {
            v[i] = at(i, j) - (i == j ? alpha : 0.0);
            vv += v[i] * v[i];
        }
        if (vv == 0)
            continue;
        auto reflect = [&](auto&& element) {
            double s = 0;
            for (size_t i = j; i < np; ++i)
                s += v[i] * element(i);
            s *= 2 / vv;
            for (size_t i = j; i < np; ++i)
                element(i) -= s * v[i];
        };
        for (size_t k = j; k < m; ++k)
            reflect([&at, k](size_t i) -> double& { return at(i, k); });
        reflect([&b](size_t i) -> double& { return b[i]; });
    }
    // The points are distinct, so no diagonal element is 0.
    for (size_t j = m; j-- > 0;) {
        double s = b[j];
        for (size_t k = j + 1; k < m; ++k)
            s -= at(j, k) * coefficients[k];
        coefficients[j] = s / at(j, j);
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
