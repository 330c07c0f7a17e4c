// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/WaveformPanel.h"

#include "Toskfile/WaveObject.h"
#include "base/DataFiles.h"
#include "canvas/Latin1.h"
#include "editors/WaveSlider.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace tosk {

namespace {

constexpr double kFaintLevel = 0.0005;

QIcon iconNamed(const char* image)
{
    return QIcon(QString::fromStdString(DataFiles::path(std::string("icons/") + image + ".svg")));
}

} // namespace

WaveformPanel::WaveformPanel(std::shared_ptr<SigDocument> document, Module::Ptr module, QWidget* parent)
    : WaveEditorWindow(std::move(document), module, WaveObject::tableForModule(module),
                       Latin1::text("EditWaveform", "Edit Waveform:%s"), parent),
      randomSeed_([] { return QRandomGenerator::global()->generate(); })
{
    setObjectName(QStringLiteral("waveformPanel"));
    struct Generator {
        const char* name;
        const char* image;
        QString label;
        void (WaveformPanel::*action)();
    };
    const Generator generators[] = {
        {"zeroButton", "ZeroWave", tr("Zero"), &WaveformPanel::zeroAction},
        {"sinButton", "SineWave", tr("Sine"), &WaveformPanel::sinAction},
        {"triButton", "TriangleWave", tr("Triangle"), &WaveformPanel::triAction},
        {"sawButton", "SawToothWave", tr("Sawtooth"), &WaveformPanel::sawAction},
        {"sqrButton", "SquareWave", tr("Square"), &WaveformPanel::sqrAction},
        {"ranButton", "RandomWave", tr("Random"), &WaveformPanel::ranAction},
    };
    int at = 0;
    for (const Generator& g : generators) {
        QToolButton* b = makeImageButton(g.name, g.image, g.label);
        connect(b, &QToolButton::clicked, this, [this, action = g.action] { (this->*action)(); });
        toolRow()->insertWidget(at++, b);
    }
    toolRow()->insertSpacing(at, 12);

    harmonicsView_ = buildHarmonicsView();
    harmonicsView_->hide();
    areaColumn()->addWidget(harmonicsView_);
    resize(sizeHint().width(), sizeHint().height());
}

QWidget* WaveformPanel::buildHarmonicsView()
{
    auto* view = new QWidget(this);
    view->setObjectName(QStringLiteral("harmonicsView"));
    auto* grid = new QGridLayout(view);
    grid->setContentsMargins(0, 4, 0, 0);
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(4);

    auto header = [view, grid](const QString& text, int row, int col) {
        auto* label = new QLabel(text, view);
        label->setAlignment(Qt::AlignCenter);
        grid->addWidget(label, row, col);
    };
    header(tr("DC"), 0, 1);
    header(tr("Level"), 1, 0);
    header(tr("Phase"), 2, 0);

    dcSlider_ = new WaveSlider(Qt::Vertical, WaveHarmonics::kDcMinimum, WaveHarmonics::kDcMaximum, tr("DC"), view);
    dcSlider_->setObjectName(QStringLiteral("dcSlider"));
    connect(dcSlider_, &WaveSlider::valueChanged, this, [this](double v) {
        harmonics_.setDc(v);
        controlsMoved();
    });
    grid->addWidget(dcSlider_, 1, 1);

    for (int k = 1; k <= WaveHarmonics::kCount; ++k) {
        header(QString::number(k), 0, k + 1);
        auto* level = new WaveSlider(Qt::Vertical, WaveHarmonics::kLevelMinimum, WaveHarmonics::kLevelMaximum,
                                     tr("Level of harmonic %1").arg(k), view);
        level->setObjectName(QStringLiteral("v%1Slider").arg(k, 2, 10, QLatin1Char('0')));
        connect(level, &WaveSlider::valueChanged, this, [this, k](double v) {
            harmonics_.setLevel(k, v);
            controlsMoved();
        });
        auto* phase = new WaveSlider(Qt::Vertical, WaveHarmonics::kPhaseMinimum, WaveHarmonics::kPhaseMaximum,
                                     tr("Phase of harmonic %1").arg(k), view);
        phase->setObjectName(QStringLiteral("p%1Slider").arg(k, 2, 10, QLatin1Char('0')));
        phase->setValueSilently(0);
        connect(phase, &WaveSlider::valueChanged, this, [this, k](double v) {
            harmonics_.setPhase(k, v);
            controlsMoved();
        });
        grid->addWidget(level, 1, k + 1);
        grid->addWidget(phase, 2, k + 1);
        valueSliders_[k - 1] = level;
        phaseSliders_[k - 1] = phase;
    }

    const int last = WaveHarmonics::kCount + 2;
    header(tr("Overall"), 0, last);
    overallSlider_ = new WaveSlider(Qt::Vertical, WaveHarmonics::kOverallMinimum, WaveHarmonics::kOverallMaximum,
                                    tr("Overall level"), view);
    overallSlider_->setObjectName(QStringLiteral("overallSlider"));
    overallSlider_->setValueSilently(1);
    connect(overallSlider_, &WaveSlider::valueChanged, this, [this](double v) {
        harmonics_.setOverall(v);
        controlsMoved();
    });
    grid->addWidget(overallSlider_, 1, last);

    overloadButton_ = new QToolButton(view);
    overloadButton_->setObjectName(QStringLiteral("overloadButton"));
    overloadButton_->setIconSize(QSize(32, 32));
    overloadButton_->setAutoRaise(true);
    overloadButton_->setAccessibleName(tr("Overload"));
    overloadButton_->setToolTip(tr("Lights while points are clipped to the limits; press to set the overall level "
                                   "back to 1"));
    connect(overloadButton_, &QToolButton::clicked, this, &WaveformPanel::overloadButtonAction);
    grid->addWidget(overloadButton_, 2, last, Qt::AlignCenter);
    showOverload(false);
    return view;
}

WaveSlider* WaveformPanel::valueSlider(int harmonic) const
{
    return harmonic >= 1 && harmonic <= WaveHarmonics::kCount ? valueSliders_[harmonic - 1] : nullptr;
}

WaveSlider* WaveformPanel::phaseSlider(int harmonic) const
{
    return harmonic >= 1 && harmonic <= WaveHarmonics::kCount ? phaseSliders_[harmonic - 1] : nullptr;
}

// ---------------------------------------------------------------- generators

void WaveformPanel::zeroAction()
{
    waveObject().setPointsToZero();
    pointsReplaced();
}

void WaveformPanel::sinAction()
{
    waveObject().setPointsToSineWave();
    pointsReplaced();
}

void WaveformPanel::triAction()
{
    waveObject().setPointsToTriangleWave();
    pointsReplaced();
}

void WaveformPanel::sawAction()
{
    waveObject().setPointsToSawToothWave();
    pointsReplaced();
}

void WaveformPanel::sqrAction()
{
    waveObject().setPointsToSquareWave();
    pointsReplaced();
}

void WaveformPanel::ranAction()
{
    waveObject().setPointsToRandomWave(randomSeed_());
    pointsReplaced();
}

// ---------------------------------------------------------------- harmonics

void WaveformPanel::harmonicsToggled(bool on)
{
    harmonicsView_->setVisible(on);
    if (on)
        setControlsFromPoints();
}

void WaveformPanel::pointsReplaced()
{
    // Open controls keep showing what the points hold.
    if (harmonicsView_->isVisibleTo(this))
        setControlsFromPoints();
    WaveEditorWindow::pointsReplaced();
}

void WaveformPanel::pointCountChanged()
{
    if (harmonicsView_->isVisibleTo(this))
        setControlsFromPoints();
}

void WaveformPanel::setControlsFromPoints()
{
    harmonics_ = WaveHarmonics::fromPoints(waveObject());
    // Values read from a file are rounded, which leaves traces of every
    // harmonic; one weaker than half a step of its slider shows as none,
    // with no phase.
    for (int k = 1; k <= WaveHarmonics::kCount; ++k)
        if (harmonics_.level(k) < kFaintLevel) {
            harmonics_.setLevel(k, 0);
            harmonics_.setPhase(k, 0);
        }
    dcSlider_->setValueSilently(harmonics_.dc());
    overallSlider_->setValueSilently(harmonics_.overall());
    for (int k = 1; k <= WaveHarmonics::kCount; ++k) {
        valueSliders_[k - 1]->setValueSilently(harmonics_.level(k));
        phaseSliders_[k - 1]->setValueSilently(harmonics_.phase(k));
    }
    enableHarmonics();
    showOverload(false);
}

void WaveformPanel::enableHarmonics()
{
    const int n = waveObject().numberOfPoints();
    for (int k = 1; k <= WaveHarmonics::kCount; ++k) {
        const bool enabled = WaveHarmonics::isHarmonicEnabled(k, n);
        valueSliders_[k - 1]->setEnabled(enabled);
        phaseSliders_[k - 1]->setEnabled(enabled);
    }
}

void WaveformPanel::controlsMoved()
{
    showOverload(harmonics_.applyTo(waveObject()));
    redraw();
}

void WaveformPanel::overloadButtonAction()
{
    overallSlider_->setValueSilently(1);
    harmonics_.setOverall(1);
    controlsMoved();
}

void WaveformPanel::showOverload(bool overloaded)
{
    overloaded_ = overloaded;
    overloadButton_->setIcon(iconNamed(overloaded ? "OverloadImage" : "NormalloadImage"));
    overloadButton_->setAccessibleDescription(overloaded ? tr("Points are clipped to the limits")
                                                         : tr("No point is clipped"));
}

} // namespace tosk
