// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QSlider;

namespace tosk {

// A slider over a range of decimal values with the value shown beside it
// ("0.500"). The value is kept exactly as set, also past the range; the
// slider shows it to the nearest of its steps (or at the nearer end), and
// moving the slider back to that step gives the value as set back.
class WaveSlider : public QWidget {
    Q_OBJECT

public:
    WaveSlider(Qt::Orientation orientation, double minimum, double maximum, const QString& accessibleName,
               QWidget* parent = nullptr, int steps = 1000);

    double value() const { return value_; }
    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    // Shows the value without telling anyone.
    void setValueSilently(double value);
    QSlider* slider() const { return slider_; }
    QLabel* text() const { return text_; }

signals:
    // The user moved the slider (or code moved it through slider()).
    void valueChanged(double value);

private:
    void moved(int position);
    void showValue();

    QSlider* slider_;
    QLabel* text_;
    double minimum_;
    double maximum_;
    int steps_;
    double value_;
    // Where setValueSilently put the slider, and the value it was given.
    int setPosition_ = -1;
    double setValue_ = 0;
};

} // namespace tosk
