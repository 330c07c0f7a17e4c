// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Geometry.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace tosk {

// A ruler beside a scroll view, measuring its client view in points: the
// horizontal one above the visible area, the vertical one to its left. It
// follows the client's magnification and scroll position, and can echo the
// edges and centre of a rect being dragged as three lines across it.
class RulerView : public QWidget {
    Q_OBJECT

public:
    // Thickness in pixels, 8 of them the strip left for markers.
    static constexpr int kThickness = 24;
    // Labelled ticks stand at least this many pixels apart.
    static constexpr double kMinimumLabelSpacing = 50;
    // Unlabelled ticks stand at least this many pixels apart.
    static constexpr double kMinimumTickSpacing = 5;

    // Ticks by importance: labelled, halfway between labels, and the rest.
    enum class TickLevel { Labelled, Half, Minor };
    struct Tick {
        double location; // pixels along the ruler, from its own left or top
        double value;    // points in the client
        TickLevel level;
    };

    explicit RulerView(Qt::Orientation orientation, QWidget* parent = nullptr);

    Qt::Orientation orientation() const { return orientation_; }
    // The view measured, whose point p lies p × pointsToPixels() pixels from
    // its own origin; follows its moves (scrolling) and resizes (zooming).
    void setClientView(QWidget* client, std::function<double()> pointsToPixels);
    QWidget* clientView() const { return client_; }
    double pointsToPixels() const;

    // Where a client point lies on this ruler, in the ruler's pixels along its
    // axis; and a client rect in the ruler's coordinates.
    double rulerLocation(double points) const;
    Rect toRuler(const Rect& clientPoints) const;

    // The ticks that fall on the ruler as it is now: labels every 1, 2 or 5
    // times a power of ten points, as close as kMinimumLabelSpacing allows,
    // split in ten, five or two by kMinimumTickSpacing.
    std::vector<Tick> ticks() const;
    // The label step and the number of parts it is split into at a scale.
    static double labelStep(double pointsToPixels);
    static int subdivisions(double labelStep, double pointsToPixels);

    // Echoes `clientBounds` (client points): lines at its two edges and its
    // centre along this ruler's axis.
    void setEcho(const Rect& clientBounds);
    void clearEcho();
    bool isEchoing() const { return echo_.has_value(); }
    // The echoed bounds in this ruler's coordinates; the zero rect when none.
    Rect lineRect() const;
    // The three echo lines' locations along the axis (left/top, centre,
    // right/bottom); empty when none.
    std::vector<double> echoLocations() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QSize sizeHint() const override;

private:
    QPointF clientToRuler(const QPointF& clientPixels) const;
    double length() const;

    Qt::Orientation orientation_;
    QPointer<QWidget> client_;
    std::function<double()> pointsToPixels_;
    std::optional<Rect> echo_;
};

} // namespace tosk
