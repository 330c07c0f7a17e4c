#pragma once

#include <QWidget>

class QLabel;
class QSlider;

namespace tosk {

// A slider over a range of decimal values with the value shown beside it
// ("0.500"). The value is kept exactly as set; the slider shows it to the
// nearest of its steps.
class WaveSlider : public QWidget {
    Q_OBJECT

public:
    WaveSlider(Qt::Orientation orientation, double minimum, double maximum, const QString& accessibleName,
               QWidget* parent = nullptr, int steps = 1000);

    double value() const { return value_; }
    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    // Shows the value (kept within the range) without telling anyone.
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
};

} // namespace tosk
