// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <span>

namespace tosk {

class WaveObject;

// The spectrum of n values: magnitude and phase of harmonic k for every k
// below n/2 that the spans have room for (the rest are set to 0), so that
// value j = sum of magnitude k * cos(2 pi k j / n + phase k). Magnitude 0 is
// the size of the mean, and its phase 0 or pi its sign.
void dft(std::span<const double> values, std::span<double> magnitudes, std::span<double> phases);
// The values from such a spectrum (harmonics at or above n/2 are left out).
void idft(std::span<double> values, std::span<const double> magnitudes, std::span<const double> phases);
// How many harmonics n values can carry: those below n/2, the constant
// included.
int harmonicLimit(int n);

// The harmonic controls of the waveform editor: a constant (DC), fifteen
// harmonics each with a level and a phase, and an overall gain. Moving them
// rebuilds the table as
//   mid + half-range * overall * (DC + sum of level k * cos(2 pi k j / n + phase k))
// clamped to the table's limits.
class WaveHarmonics {
public:
    static constexpr int kCount = 15;
    static constexpr double kDcMinimum = -1;
    static constexpr double kDcMaximum = 1;
    static constexpr double kLevelMinimum = 0;
    static constexpr double kLevelMaximum = 1;
    static constexpr double kPhaseMinimum = -3.14159265358979323846;
    static constexpr double kPhaseMaximum = 3.14159265358979323846;
    static constexpr double kOverallMinimum = 0;
    static constexpr double kOverallMaximum = 2;

    // Everything 0, overall 1.
    WaveHarmonics();

    // The controls that rebuild the table's current points as nearly as
    // they can: its spectrum in units of half the value range. When the
    // strongest part does not fit its control, the overall gain takes up to
    // 2 of it so that the others keep their proportions.
    static WaveHarmonics fromPoints(const WaveObject& table);

    // Harmonics at or above half the number of points cannot be shown by
    // that many points.
    static bool isHarmonicEnabled(int harmonic, int numberOfPoints)
    {
        return harmonic >= 1 && 2 * harmonic < numberOfPoints;
    }

    // Harmonics are numbered 1 to kCount; other numbers are ignored (and
    // read as 0). Values are kept within their controls' ranges.
    double dc() const { return dc_; }
    void setDc(double v);
    double overall() const { return overall_; }
    void setOverall(double v);
    double level(int harmonic) const;
    void setLevel(int harmonic, double v);
    double phase(int harmonic) const;
    void setPhase(int harmonic, double v);

    // Rebuilds the table's points from the controls; answers whether any
    // point had to be clamped to the table's limits.
    bool applyTo(WaveObject& table) const;

private:
    double dc_ = 0;
    double overall_ = 1;
    std::array<double, kCount> levels_{};
    std::array<double, kCount> phases_{};
};

} // namespace tosk
