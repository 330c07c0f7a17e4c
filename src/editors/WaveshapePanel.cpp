// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/WaveshapePanel.h"

#include "Toskfile/WaveEditorText.h"
#include "Toskfile/WaveObject.h"
#include "canvas/Latin1.h"
#include "editors/WaveSlider.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace tosk {

WaveshapePanel::WaveshapePanel(std::shared_ptr<SigDocument> document, Module::Ptr module, QWidget* parent)
    : WaveEditorWindow(std::move(document), module, WaveObject::tableForModule(module),
                       Latin1::text("EditWaveshape", "Edit Waveshape:%s"), parent)
{
    setObjectName(QStringLiteral("waveshapePanel"));
    waveShape_.setNumberOfPoints(static_cast<uint32_t>(waveObject().numberOfPoints()));
    clipControls_ = buildClipControls();
    areaColumn()->addWidget(clipControls_);
    harmonicsView_ = buildHarmonicsView();
    harmonicsView_->hide();
    areaColumn()->addWidget(harmonicsView_);
    resize(sizeHint().width(), sizeHint().height());
}

QWidget* WaveshapePanel::buildClipControls()
{
    auto* box = new QWidget(this);
    box->setObjectName(QStringLiteral("clipControls"));
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    softClipButton_ = makeImageButton("softClipButton", "SoftClipImage", tr("Soft clip"));
    softClipButton_->setParent(box);
    connect(softClipButton_, &QToolButton::clicked, this, &WaveshapePanel::softClipAction);
    grid->addWidget(softClipButton_, 0, 0, 2, 1);

    clipSlider_ = new WaveSlider(Qt::Horizontal, kClipMinimum, kClipMaximum, tr("Clip"), box);
    clipSlider_->setObjectName(QStringLiteral("clipSlider"));
    clipSlider_->setValueSilently(2.0 / 3);
    biasSlider_ = new WaveSlider(Qt::Horizontal, kBiasMinimum, kBiasMaximum, tr("Bias"), box);
    biasSlider_->setObjectName(QStringLiteral("biasSlider"));
    biasSlider_->setValueSilently(0);
    connect(clipSlider_, &WaveSlider::valueChanged, this, &WaveshapePanel::updateClipShape);
    connect(biasSlider_, &WaveSlider::valueChanged, this, &WaveshapePanel::updateClipShape);
    grid->addWidget(new QLabel(tr("Clip"), box), 0, 1);
    grid->addWidget(clipSlider_, 0, 2);
    grid->addWidget(new QLabel(tr("Bias"), box), 1, 1);
    grid->addWidget(biasSlider_, 1, 2);
    grid->setColumnStretch(2, 1);
    return box;
}

QWidget* WaveshapePanel::buildHarmonicsView()
{
    auto* view = new QWidget(this);
    view->setObjectName(QStringLiteral("harmonicsView"));
    auto* grid = new QGridLayout(view);
    grid->setContentsMargins(0, 4, 0, 0);
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(4);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    for (int k = 0; k < kHarmonics; ++k) {
        auto* header = new QLabel(k == 0 ? tr("DC") : QString::number(k), view);
        header->setAlignment(Qt::AlignCenter);
        grid->addWidget(header, 0, k);
        const double lo = k == 0 ? ChebyshevWaveshape::kConstantMinimum : ChebyshevWaveshape::kHarmonicMinimum;
        const double hi = k == 0 ? ChebyshevWaveshape::kConstantMaximum : ChebyshevWaveshape::kHarmonicMaximum;
        auto* slider = new WaveSlider(Qt::Vertical, lo, hi,
                                      k == 0 ? tr("Constant term") : tr("Amplitude of harmonic %1").arg(k), view);
        slider->setObjectName(k == 0 ? QStringLiteral("vDCSlider")
                                     : QStringLiteral("v%1Slider").arg(k, 2, 10, QLatin1Char('0')));
        slider->setValueSilently(0);
        connect(slider, &WaveSlider::valueChanged, this, [this, k](double v) { valueSliderAction(k, v); });
        grid->addWidget(slider, 1, k);
        valueSliders_[k] = slider;
        if (k >= 1) {
            auto* freq = new QLabel(view);
            freq->setObjectName(QStringLiteral("f%1Text").arg(k, 2, 10, QLatin1Char('0')));
            freq->setAccessibleName(tr("Frequency of harmonic %1").arg(k));
            freq->setFont(fixed);
            freq->setAlignment(Qt::AlignCenter);
            grid->addWidget(freq, 2, k);
            harmonicFreqs_[k - 1] = freq;
        }
    }
    auto* hz = new QLabel(tr("Hz"), view);
    grid->addWidget(hz, 2, 0, Qt::AlignRight);

    auto* cutOffRow = new QHBoxLayout();
    cutOffRow->addWidget(new QLabel(tr("Cut-off frequency"), view));
    cutOffFreq_ = new QSlider(Qt::Horizontal, view);
    cutOffFreq_->setObjectName(QStringLiteral("cutOffFreq"));
    cutOffFreq_->setAccessibleName(tr("Cut-off frequency"));
    cutOffFreq_->setRange(kCutOffMinimum, kCutOffMaximum);
    cutOffFreq_->setValue(kCutOffDefault);
    cutOffText_ = new QLabel(view);
    cutOffText_->setObjectName(QStringLiteral("cutOffText"));
    cutOffText_->setAccessibleName(tr("Cut-off frequency value"));
    cutOffText_->setFont(fixed);
    connect(cutOffFreq_, &QSlider::valueChanged, this, &WaveshapePanel::updateFreqs);
    cutOffRow->addWidget(cutOffFreq_, 1);
    cutOffRow->addWidget(cutOffText_);
    grid->addLayout(cutOffRow, 3, 0, 1, kHarmonics);
    updateFreqs(kCutOffDefault);
    return view;
}

WaveSlider* WaveshapePanel::valueSlider(int harmonic) const
{
    return harmonic >= 0 && harmonic < kHarmonics ? valueSliders_[harmonic] : nullptr;
}

QLabel* WaveshapePanel::harmonicFreq(int harmonic) const
{
    return harmonic >= 1 && harmonic <= 12 ? harmonicFreqs_[harmonic - 1] : nullptr;
}

// ---------------------------------------------------------------- soft clip

void WaveshapePanel::softClipAction()
{
    clipSlider_->setValueSilently(2.0 / 3);
    biasSlider_->setValueSilently(0);
    updateClipShape();
}

void WaveshapePanel::updateClipShape()
{
    waveObject().setPointsToClipWave(clipSlider_->value(), biasSlider_->value());
    pointsReplaced();
}

// ---------------------------------------------------------------- harmonics

void WaveshapePanel::harmonicsToggled(bool on)
{
    clipControls_->setVisible(!on);
    harmonicsView_->setVisible(on);
    if (!on)
        return;
    setHarmonicsFromPoints();
    updateFreqs(cutOffFreq_->value());
}

void WaveshapePanel::setHarmonicsFromPoints()
{
    // The shape keeps the fitted amplitudes even where a slider cannot reach
    // them, so that it is the curve until a slider moves.
    waveShape_ = waveObject().getChebyshevWaveshapeFromPoints(ChebyshevWaveshape::kEditorHarmonics);
    for (int k = 0; k < kHarmonics; ++k)
        valueSliders_[k]->setValueSilently(waveShape_.amplitudeForHarmonic(static_cast<uint32_t>(k)));
}

void WaveshapePanel::valueSliderAction(int harmonic, double amplitude)
{
    waveShape_.setAmplitude(amplitude, static_cast<uint32_t>(harmonic));
    waveObject().setPointsToChebyshevWaveshape(waveShape_);
    redraw();
}

void WaveshapePanel::updateFreqs(int cutOff)
{
    const auto texts = harmonicFrequencyTexts(cutOff);
    for (size_t i = 0; i < texts.size(); ++i)
        harmonicFreqs_[i]->setText(QString::fromStdString(texts[i]));
    cutOffText_->setText(QString::number(cutOff));
}

void WaveshapePanel::pointsReplaced()
{
    // Open sliders keep showing the curve the points make.
    if (harmonicsView_->isVisibleTo(this))
        setHarmonicsFromPoints();
    waveShape_.setNumberOfPoints(static_cast<uint32_t>(waveObject().numberOfPoints()));
    WaveEditorWindow::pointsReplaced();
}

void WaveshapePanel::pointCountChanged()
{
    waveShape_.setNumberOfPoints(static_cast<uint32_t>(waveObject().numberOfPoints()));
    if (harmonicsView_->isVisibleTo(this))
        waveObject().setPointsToChebyshevWaveshape(waveShape_);
}

} // namespace tosk
