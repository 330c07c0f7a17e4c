// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/WaveSlider.h"

#include "Toskfile/WaveEditorText.h"

#include <QBoxLayout>
#include <QFontDatabase>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace tosk {

WaveSlider::WaveSlider(Qt::Orientation orientation, double minimum, double maximum, const QString& accessibleName,
                       QWidget* parent, int steps)
    : QWidget(parent), slider_(new QSlider(orientation, this)), text_(new QLabel(this)), minimum_(minimum),
      maximum_(maximum), steps_(std::max(steps, 1)), value_(minimum)
{
    slider_->setRange(0, steps_);
    slider_->setSingleStep(std::max(1, steps_ / 100));
    slider_->setPageStep(std::max(1, steps_ / 10));
    slider_->setAccessibleName(accessibleName);
    text_->setAccessibleName(tr("%1 value").arg(accessibleName));
    // Small, so that seventeen columns of them fit across a window.
    QFont small = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    small.setPointSizeF(small.pointSizeF() * 0.85);
    text_->setFont(small);
    text_->setAlignment(Qt::AlignCenter);
    // As wide as the widest value, so that the columns do not move.
    text_->setMinimumWidth(text_->fontMetrics().horizontalAdvance(QStringLiteral("-0.000")) + 4);
    QBoxLayout* box =
        new QBoxLayout(orientation == Qt::Vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(2);
    box->addWidget(slider_, 1, orientation == Qt::Vertical ? Qt::AlignHCenter : Qt::Alignment());
    box->addWidget(text_);
    if (orientation == Qt::Vertical)
        slider_->setMinimumHeight(90);
    else
        slider_->setMinimumWidth(160);
    connect(slider_, &QSlider::valueChanged, this, &WaveSlider::moved);
    setValueSilently(minimum);
}

void WaveSlider::setValueSilently(double value)
{
    if (!std::isfinite(value))
        return;
    value_ = value;
    const double span = maximum_ - minimum_;
    const double within = std::clamp(value, std::min(minimum_, maximum_), std::max(minimum_, maximum_));
    const int position = span != 0 ? static_cast<int>(std::lround((within - minimum_) / span * steps_)) : 0;
    setPosition_ = position;
    setValue_ = value;
    {
        QSignalBlocker quiet(slider_);
        slider_->setValue(position);
    }
    showValue();
}

void WaveSlider::moved(int position)
{
    // Back where it was set: the value it was set to, not the step's, so
    // that a slider moved and put back changes nothing.
    value_ = position == setPosition_ ? setValue_ : minimum_ + (maximum_ - minimum_) * position / steps_;
    showValue();
    emit valueChanged(value_);
}

void WaveSlider::showValue()
{
    text_->setText(QString::fromStdString(sliderValueText(value_)));
}

} // namespace tosk
