// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QDoubleSpinBox;
class QSlider;

namespace tosk {

// The control of a unit's number: a slider for turning it and a spin box
// for reading and typing it, both within the number's minimum and maximum
// and in steps of its resolution.
class PanelNumberControl : public QWidget {
    Q_OBJECT

public:
    PanelNumberControl(double minimum, double maximum, double resolution, QWidget* parent = nullptr);

    double value() const;
    // Shows `value` without reporting it as the user's.
    void setValue(double value);
    // Both parts are named after the control.
    void setControlName(const QString& name);
    void setLimits(double minimum, double maximum, double resolution);

    QSlider* slider() const { return slider_; }
    QDoubleSpinBox* spinBox() const { return spin_; }

signals:
    // The user moved the slider or changed the spin box.
    void edited(double value);

private:
    double valueAtStep(int step) const;
    int stepOf(double value) const;

    QSlider* slider_ = nullptr;
    QDoubleSpinBox* spin_ = nullptr;
    double minimum_ = 0, maximum_ = 0, step_ = 1;
};

} // namespace tosk
