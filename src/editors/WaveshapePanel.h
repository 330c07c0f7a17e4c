// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ChebyshevWaveshape.h"
#include "editors/WaveEditorWindow.h"

#include <array>

class QLabel;
class QSlider;
class QToolButton;

namespace tosk {

class WaveSlider;

// The waveshape editor of a CURVE module: its transfer curve drawn with the
// mouse, made a soft clip (clip and bias), or built from 13 Chebyshev
// harmonics, each slider setting how much of one harmonic a full-scale sine
// gains through the curve. Opening the harmonics sets the sliders to the
// harmonics of the curve without changing a point; only moving a slider
// draws the curve again, from the harmonics.
class WaveshapePanel : public WaveEditorWindow {
    Q_OBJECT

public:
    static constexpr int kHarmonics = static_cast<int>(ChebyshevWaveshape::kEditorHarmonics);
    // The clip and bias sliders, and the cut-off frequency of the texts.
    static constexpr double kClipMinimum = 0;
    static constexpr double kClipMaximum = 1;
    static constexpr double kBiasMinimum = 0;
    static constexpr double kBiasMaximum = 0.2;
    static constexpr int kCutOffMinimum = 1;
    static constexpr int kCutOffMaximum = 2000;
    static constexpr int kCutOffDefault = 100;

    WaveshapePanel(std::shared_ptr<SigDocument> document, Module::Ptr module, QWidget* parent = nullptr);

    const ChebyshevWaveshape& waveShape() const { return waveShape_; }

    // --- soft clip
    // Clip 2/3 and bias 0, then the curve.
    void softClipAction();
    // The soft-clip curve of the two sliders.
    void updateClipShape();
    WaveSlider* clipSlider() const { return clipSlider_; }
    WaveSlider* biasSlider() const { return biasSlider_; }

    // --- harmonics area
    // Harmonic 0 (the constant) to 12.
    WaveSlider* valueSlider(int harmonic) const;
    QSlider* cutOffFreq() const { return cutOffFreq_; }
    // Frequencies of harmonics 1 to 12 over a cut-off of F: F, 2F, ... 12F.
    void updateFreqs(int cutOff);
    QLabel* harmonicFreq(int harmonic) const;

protected:
    void pointsReplaced() override;
    void pointCountChanged() override;
    void harmonicsToggled(bool on) override;

private:
    QWidget* buildClipControls();
    QWidget* buildHarmonicsView();
    // The shape and the sliders take the harmonics of the points.
    void setHarmonicsFromPoints();
    void valueSliderAction(int harmonic, double amplitude);

    ChebyshevWaveshape waveShape_{ChebyshevWaveshape::kEditorHarmonics};
    QWidget* clipControls_ = nullptr;
    QToolButton* softClipButton_ = nullptr;
    WaveSlider* clipSlider_ = nullptr;
    WaveSlider* biasSlider_ = nullptr;
    QWidget* harmonicsView_ = nullptr;
    std::array<WaveSlider*, kHarmonics> valueSliders_{};
    QSlider* cutOffFreq_ = nullptr;
    QLabel* cutOffText_ = nullptr;
    std::array<QLabel*, 12> harmonicFreqs_{};
};

} // namespace tosk
