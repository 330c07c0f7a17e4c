// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/WaveformGeometry.h"

#include <QWidget>

namespace tosk {

class WaveObject;

// The drawing area of the wave editors: the table's points as a red curve
// over a grid, with the centre line, the zero line and the wrap back to the
// first point. Dragging with the left button draws the points: each point
// the mouse passes takes the height of its path there, however fast it
// moves (WaveformGeometry::strokeValues).
class WaveformView : public QWidget {
    Q_OBJECT

public:
    explicit WaveformView(QWidget* parent = nullptr);

    // The table drawn and drawn on; not owned. None draws an empty frame.
    void setWaveObject(WaveObject* table);
    WaveObject* waveObject() const { return table_; }

    // Where the points are at the view's present size.
    WaveformGeometry pointGeometry() const;

    QSize sizeHint() const override { return {520, 240}; }
    QSize minimumSizeHint() const override { return {200, 100}; }

signals:
    // A point took a new value from the mouse.
    void pointsDrawn();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The mouse moved from `from` to `at` (a press: from where it is).
    void mouseActionAtPoint(QPointF from, QPointF at);

    WaveObject* table_ = nullptr;
    bool tracking_ = false;
    QPointF last_;
};

} // namespace tosk
