// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/PanelNumberControl.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace tosk {

namespace {

// A slider has int steps; a range finer than this is walked more coarsely
// by the slider and typed exactly in the spin box.
constexpr int maxSteps = 100000;

// Digits after the point that show a step ("0.01": 2), at most the four
// the unit's number texts carry.
int decimalsOf(double step)
{
    for (int d = 0; d < 4; ++d)
        if (std::fabs(step * std::pow(10.0, d) - std::round(step * std::pow(10.0, d))) < 1e-9)
            return d;
    return 4;
}

} // namespace

PanelNumberControl::PanelNumberControl(double minimum, double maximum, double resolution, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("panelSlider"));
    slider_->setMinimumWidth(160);
    spin_ = new QDoubleSpinBox(this);
    spin_->setObjectName(QStringLiteral("panelSpinBox"));
    // A typed value goes when it is complete, not digit by digit.
    spin_->setKeyboardTracking(false);
    spin_->setMinimumWidth(90);
    row->addWidget(slider_, 1);
    row->addWidget(spin_);
    setLimits(minimum, maximum, resolution);

    connect(slider_, &QSlider::valueChanged, this, [this](int step) {
        const double v = valueAtStep(step);
        {
            QSignalBlocker block(spin_);
            spin_->setValue(v);
        }
        emit edited(spin_->value());
    });
    connect(spin_, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        {
            QSignalBlocker block(slider_);
            slider_->setValue(stepOf(v));
        }
        emit edited(v);
    });
}

void PanelNumberControl::setLimits(double minimum, double maximum, double resolution)
{
    // Limits a unit cannot mean (not numbers at all) leave a control that
    // still works.
    if (!std::isfinite(minimum) || !std::isfinite(maximum))
        minimum = 0, maximum = 1;
    if (!std::isfinite(resolution))
        resolution = 0;
    minimum_ = std::min(minimum, maximum);
    maximum_ = std::max(minimum, maximum);
    const double range = maximum_ - minimum_;
    step_ = resolution > 0 ? resolution : (range > 0 ? range / 100 : 1);
    if (range / step_ > maxSteps)
        step_ = range / maxSteps;
    QSignalBlocker blockSlider(slider_);
    QSignalBlocker blockSpin(spin_);
    slider_->setRange(0, int(std::lround(range / step_)));
    slider_->setPageStep(std::max(1, slider_->maximum() / 10));
    spin_->setDecimals(decimalsOf(resolution > 0 ? resolution : step_));
    spin_->setRange(minimum_, maximum_);
    spin_->setSingleStep(resolution > 0 ? resolution : step_);
}

double PanelNumberControl::valueAtStep(int step) const
{
    return std::clamp(minimum_ + step * step_, minimum_, maximum_);
}

int PanelNumberControl::stepOf(double value) const
{
    if (!std::isfinite(value))
        return 0;
    return int(std::lround((std::clamp(value, minimum_, maximum_) - minimum_) / step_));
}

double PanelNumberControl::value() const
{
    return spin_->value();
}

void PanelNumberControl::setValue(double value)
{
    QSignalBlocker blockSlider(slider_);
    QSignalBlocker blockSpin(spin_);
    spin_->setValue(value);
    slider_->setValue(stepOf(value));
}

void PanelNumberControl::setControlName(const QString& name)
{
    setAccessibleName(name);
    slider_->setAccessibleName(name);
    spin_->setAccessibleName(name);
}

} // namespace tosk
