// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/WaveHarmonics.h"

#include "Toskfile/WaveObject.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace tosk {

namespace {

size_t usedHarmonics(size_t n, size_t magnitudes, size_t phases)
{
    return std::min({static_cast<size_t>(harmonicLimit(static_cast<int>(n))), magnitudes, phases});
}

double within(double v, double lo, double hi, double current)
{
    return std::isfinite(v) ? std::clamp(v, lo, hi) : current;
}

} // namespace

int harmonicLimit(int n)
{
    return n > 0 ? (n + 1) / 2 : 0;
}

void dft(std::span<const double> values, std::span<double> magnitudes, std::span<double> phases)
{
    const size_t n = values.size();
    const size_t used = usedHarmonics(n, magnitudes.size(), phases.size());
    std::fill(magnitudes.begin(), magnitudes.end(), 0.0);
    std::fill(phases.begin(), phases.end(), 0.0);
    for (size_t k = 0; k < used; ++k) {
        double re = 0;
        double im = 0;
        for (size_t j = 0; j < n; ++j) {
            double angle = 2 * std::numbers::pi * static_cast<double>(k * j) / static_cast<double>(n);
            re += values[j] * std::cos(angle);
            im += values[j] * std::sin(angle);
        }
        magnitudes[k] = std::sqrt(re * re + im * im) * 2 / static_cast<double>(n);
        // The true angle: a sine (no cosine part) is a quarter turn, not 0.
        phases[k] = -std::atan2(im, re);
    }
    if (used > 0)
        magnitudes[0] /= 2;
}

void idft(std::span<double> values, std::span<const double> magnitudes, std::span<const double> phases)
{
    const size_t n = values.size();
    const size_t used = usedHarmonics(n, magnitudes.size(), phases.size());
    for (size_t j = 0; j < n; ++j) {
        double sum = 0;
        for (size_t k = 0; k < used; ++k)
            sum += magnitudes[k] *
                   std::cos(2 * std::numbers::pi * static_cast<double>(k * j) / static_cast<double>(n) + phases[k]);
        values[j] = sum;
    }
}

WaveHarmonics::WaveHarmonics() = default;

WaveHarmonics WaveHarmonics::fromPoints(const WaveObject& table)
{
    const double lo = table.minimumPointValue();
    const double hi = table.maximumPointValue();
    const double mid = (hi + lo) / 2;
    const double half = (hi - lo) / 2;
    std::vector<double> unit;
    for (double v : table.pointValues())
        unit.push_back(half != 0 ? (v - mid) / half : 0.0);
    std::array<double, kCount + 1> magnitudes{};
    std::array<double, kCount + 1> phases{};
    dft(unit, magnitudes, phases);

    const double dc = magnitudes[0] * std::cos(phases[0]);
    double strongest = std::max(1.0, std::abs(dc));
    for (int k = 1; k <= kCount; ++k)
        strongest = std::max(strongest, magnitudes[k]);
    const double overall = std::min(strongest, kOverallMaximum);

    WaveHarmonics h;
    h.setOverall(overall);
    h.setDc(dc / overall);
    for (int k = 1; k <= kCount; ++k) {
        // A harmonic that is not there has no phase worth showing.
        bool present = magnitudes[k] > 1e-9;
        h.setLevel(k, present ? magnitudes[k] / overall : 0.0);
        h.setPhase(k, present ? phases[k] : 0.0);
    }
    return h;
}

void WaveHarmonics::setDc(double v)
{
    dc_ = within(v, kDcMinimum, kDcMaximum, dc_);
}

void WaveHarmonics::setOverall(double v)
{
    overall_ = within(v, kOverallMinimum, kOverallMaximum, overall_);
}

double WaveHarmonics::level(int harmonic) const
{
    return harmonic >= 1 && harmonic <= kCount ? levels_[harmonic - 1] : 0.0;
}

void WaveHarmonics::setLevel(int harmonic, double v)
{
    if (harmonic >= 1 && harmonic <= kCount)
        levels_[harmonic - 1] = within(v, kLevelMinimum, kLevelMaximum, levels_[harmonic - 1]);
}

double WaveHarmonics::phase(int harmonic) const
{
    return harmonic >= 1 && harmonic <= kCount ? phases_[harmonic - 1] : 0.0;
}

void WaveHarmonics::setPhase(int harmonic, double v)
{
    if (harmonic >= 1 && harmonic <= kCount)
        phases_[harmonic - 1] = within(v, kPhaseMinimum, kPhaseMaximum, phases_[harmonic - 1]);
}

bool WaveHarmonics::applyTo(WaveObject& table) const
{
    const int n = table.numberOfPoints();
    const double lo = std::min(table.minimumPointValue(), table.maximumPointValue());
    const double hi = std::max(table.minimumPointValue(), table.maximumPointValue());
    const double mid = (table.maximumPointValue() + table.minimumPointValue()) / 2;
    const double half = (table.maximumPointValue() - table.minimumPointValue()) / 2;
    std::array<double, kCount + 1> magnitudes{};
    std::array<double, kCount + 1> phases{};
    for (int k = 1; k <= kCount; ++k) {
        magnitudes[k] = levels_[k - 1];
        phases[k] = phases_[k - 1];
    }
    std::vector<double> wave(static_cast<size_t>(n));
    idft(wave, magnitudes, phases);
    // Rounding alone does not count as going past a limit.
    const double tolerance = 1e-9 * std::max(1.0, hi - lo);
    bool clamped = false;
    for (int j = 0; j < n; ++j) {
        double v = mid + half * overall_ * (dc_ + wave[j]);
        if (v < lo - tolerance || v > hi + tolerance)
            clamped = true;
        table.setValue(std::clamp(v, lo, hi), j);
    }
    return clamped;
}

} // namespace tosk
