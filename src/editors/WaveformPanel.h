// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/WaveHarmonics.h"
#include "editors/WaveEditorWindow.h"

#include <array>
#include <cstdint>
#include <functional>

class QToolButton;

namespace tosk {

class WaveSlider;

// The waveform editor: a table of WAVEFORM, C_CURVE, M_CURVE, M_UCURVE,
// MULTIKNOB, MULTITAP or MULTITAP2 drawn with the mouse, filled from the
// generators, and shaped through its harmonics. Opening the harmonics area
// sets its controls from the spectrum of the points without changing them;
// moving a control rebuilds the points from all the controls, with the
// overload image shown while some point had to be clamped.
class WaveformPanel : public WaveEditorWindow {
    Q_OBJECT

public:
    WaveformPanel(std::shared_ptr<SigDocument> document, Module::Ptr module, QWidget* parent = nullptr);

    // --- generators; Random draws a new seed each time unless one is set
    void zeroAction();
    void sinAction();
    void triAction();
    void sawAction();
    void sqrAction();
    void ranAction();
    // Seeds for Random from here on (tests, for repeatable tables).
    void setRandomSeedSource(std::function<uint32_t()> source) { randomSeed_ = std::move(source); }

    // --- harmonics area
    const WaveHarmonics& harmonics() const { return harmonics_; }
    WaveSlider* dcSlider() const { return dcSlider_; }
    WaveSlider* overallSlider() const { return overallSlider_; }
    // Harmonics 1 to 15.
    WaveSlider* valueSlider(int harmonic) const;
    WaveSlider* phaseSlider(int harmonic) const;
    QToolButton* overloadButton() const { return overloadButton_; }
    // Some point was clamped when the controls last rebuilt the table.
    bool isOverloaded() const { return overloaded_; }
    // Back to an overall level of 1, which rebuilds the table.
    void overloadButtonAction();

protected:
    void pointsReplaced() override;
    void pointCountChanged() override;
    void harmonicsToggled(bool on) override;

private:
    QWidget* buildHarmonicsView();
    // The controls follow the spectrum of the points (which stay as they are).
    void setControlsFromPoints();
    // Harmonics the table's points cannot carry are greyed.
    void enableHarmonics();
    // A control moved: the points are rebuilt from all of them.
    void controlsMoved();
    void showOverload(bool overloaded);

    WaveHarmonics harmonics_;
    QWidget* harmonicsView_ = nullptr;
    WaveSlider* dcSlider_ = nullptr;
    WaveSlider* overallSlider_ = nullptr;
    std::array<WaveSlider*, WaveHarmonics::kCount> valueSliders_{};
    std::array<WaveSlider*, WaveHarmonics::kCount> phaseSliders_{};
    QToolButton* overloadButton_ = nullptr;
    bool overloaded_ = false;
    std::function<uint32_t()> randomSeed_;
};

} // namespace tosk
