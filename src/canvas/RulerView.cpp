// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/RulerView.h"

#include "Toskfile/MyExtensions.h"
#include "canvas/CanvasStyle.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace tosk {

namespace {

QColor background()
{
    return QColor(240, 240, 240);
}
QColor edge()
{
    return QColor(160, 160, 160);
}
QColor tickColor()
{
    return QColor(70, 70, 70);
}

int tickLength(RulerView::TickLevel level)
{
    switch (level) {
    case RulerView::TickLevel::Labelled:
        return 12;
    case RulerView::TickLevel::Half:
        return 7;
    case RulerView::TickLevel::Minor:
        break;
    }
    return 4;
}

} // namespace

RulerView::RulerView(Qt::Orientation orientation, QWidget* parent) : QWidget(parent), orientation_(orientation)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (orientation_ == Qt::Horizontal)
        setFixedHeight(kThickness);
    else
        setFixedWidth(kThickness);
}

void RulerView::setClientView(QWidget* client, std::function<double()> pointsToPixels)
{
    if (client_)
        client_->removeEventFilter(this);
    client_ = client;
    pointsToPixels_ = std::move(pointsToPixels);
    if (client_)
        client_->installEventFilter(this);
    update();
}

double RulerView::pointsToPixels() const
{
    if (!client_ || !pointsToPixels_)
        return 1;
    const double scale = pointsToPixels_();
    return scale > 0 && std::isfinite(scale) ? scale : 1;
}

bool RulerView::eventFilter(QObject* watched, QEvent* event)
{
    // Scrolling moves the client; zooming resizes it.
    if (watched == client_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        update();
    return QWidget::eventFilter(watched, event);
}

QPointF RulerView::clientToRuler(const QPointF& clientPixels) const
{
    if (!client_ || client_->window() != window())
        return clientPixels;
    return mapFrom(window(), client_->mapTo(window(), clientPixels));
}

double RulerView::rulerLocation(double points) const
{
    const double px = points * pointsToPixels();
    const QPointF at = clientToRuler(QPointF(px, px));
    return orientation_ == Qt::Horizontal ? at.x() : at.y();
}

Rect RulerView::toRuler(const Rect& r) const
{
    const double s = pointsToPixels();
    const QPointF a = clientToRuler(QPointF(r.minX() * s, r.minY() * s));
    const QPointF b = clientToRuler(QPointF(r.maxX() * s, r.maxY() * s));
    return TKXRectFromPoints(Point{a.x(), a.y()}, Point{b.x(), b.y()});
}

double RulerView::length() const
{
    return orientation_ == Qt::Horizontal ? width() : height();
}

double RulerView::labelStep(double scale)
{
    for (double decade = 1; decade < 1e9; decade *= 10)
        for (double multiple : {1.0, 2.0, 5.0})
            if (multiple * decade * scale >= kMinimumLabelSpacing)
                return multiple * decade;
    return 1e9;
}

int RulerView::subdivisions(double step, double scale)
{
    for (int parts : {10, 5, 2})
        if (step / parts * scale >= kMinimumTickSpacing)
            return parts;
    return 1;
}

std::vector<RulerView::Tick> RulerView::ticks() const
{
    std::vector<Tick> out;
    const double scale = pointsToPixels();
    const double step = labelStep(scale);
    const int parts = subdivisions(step, scale);
    const double minor = step / parts;
    const double zero = rulerLocation(0);
    const auto first = static_cast<long long>(std::ceil((0 - zero) / scale / minor));
    const auto last = static_cast<long long>(std::floor((length() - zero) / scale / minor));
    for (long long n = first; n <= last; ++n) {
        TickLevel level = TickLevel::Minor;
        if (n % parts == 0)
            level = TickLevel::Labelled;
        else if (parts % 2 == 0 && n % (parts / 2) == 0)
            level = TickLevel::Half;
        const double value = double(n) * minor;
        out.push_back(Tick{zero + value * scale, value, level});
    }
    return out;
}

void RulerView::setEcho(const Rect& clientBounds)
{
    echo_ = clientBounds;
    update();
}

void RulerView::clearEcho()
{
    if (!echo_)
        return;
    echo_.reset();
    update();
}

Rect RulerView::lineRect() const
{
    return echo_ ? toRuler(*echo_) : Rect();
}

std::vector<double> RulerView::echoLocations() const
{
    if (!echo_)
        return {};
    const Rect r = lineRect();
    if (orientation_ == Qt::Horizontal)
        return {r.minX(), r.midX(), r.maxX()};
    return {r.minY(), r.midY(), r.maxY()};
}

QSize RulerView::sizeHint() const
{
    return orientation_ == Qt::Horizontal ? QSize(100, kThickness) : QSize(kThickness, 100);
}

void RulerView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), background());
    const bool horizontal = orientation_ == Qt::Horizontal;
    const int w = width(), h = height();
    // The edge that meets the client.
    if (horizontal)
        painter.fillRect(QRect(0, h - 1, w, 1), edge());
    else
        painter.fillRect(QRect(w - 1, 0, 1, h), edge());

    CanvasStyle::ensureFonts();
    QFont font(QString::fromLatin1(CanvasStyle::kFontFamily));
    font.setPixelSize(8);
    painter.setFont(font);
    for (const Tick& tick : ticks()) {
        const int at = int(std::floor(tick.location));
        const int len = tickLength(tick.level);
        if (horizontal)
            painter.fillRect(QRect(at, h - 1 - len, 1, len), tickColor());
        else
            painter.fillRect(QRect(w - 1 - len, at, len, 1), tickColor());
        if (tick.level != TickLevel::Labelled)
            continue;
        painter.setPen(tickColor());
        const QString label = QString::fromStdString(numberString(tick.value));
        if (horizontal)
            painter.drawText(QRect(at + 2, 1, 60, h - 1 - len), Qt::AlignLeft | Qt::AlignBottom, label);
        else
            painter.drawText(QRect(1, at + 1, w - 2, 10), Qt::AlignLeft | Qt::AlignTop, label);
    }

    for (double location : echoLocations()) {
        const int at = int(std::floor(location));
        if (horizontal)
            painter.fillRect(QRect(at, 0, 1, h), Qt::black);
        else
            painter.fillRect(QRect(0, at, w, 1), Qt::black);
    }
}

} // namespace tosk
