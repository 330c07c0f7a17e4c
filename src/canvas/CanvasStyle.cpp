// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CanvasStyle.h"

#include "base/PreferenceController.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygonF>

#include <QHash>
#include <QStaticText>
#include <QTextOption>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <unordered_map>

namespace tosk {

void CanvasStyle::ensureFonts()
{
    static bool done = false;
    if (done || !QGuiApplication::instance())
        return;
    done = true;
    if (QFontDatabase::families().contains(QString::fromLatin1(kFontFamily)))
        return;
    for (const char* file :
         {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"})
        QFontDatabase::addApplicationFont(QString::fromLatin1(file));
}

namespace {

constexpr int kStyles = 8;

struct Fonts {
    std::array<QFont, kStyles> fonts;
    std::array<std::unique_ptr<QFontMetricsF>, kStyles> metrics;
    Fonts()
    {
        static const std::array<int, kStyles> sizes{7, 8, 10, 8, 8, 12, 10, 10};
        for (int i = 0; i < kStyles; ++i) {
            QFont f(QString::fromLatin1(CanvasStyle::kFontFamily));
            f.setPixelSize(sizes[size_t(i)]);
            f.setHintingPreference(QFont::PreferNoHinting);
            fonts[size_t(i)] = f;
            metrics[size_t(i)] = std::make_unique<QFontMetricsF>(f);
        }
    }
};

const Fonts& fonts()
{
    CanvasStyle::ensureFonts();
    static const Fonts all;
    return all;
}

// Laid-out texts by style: a patch shows the same names again and again,
// and shaping a text costs more than drawing it. A text wider than the box
// it is drawn in is kept wrapped to that width too.
struct TextCache {
    std::array<QHash<QString, QStaticText>, kStyles> texts;
    std::array<QHash<std::pair<QString, int>, QStaticText>, kStyles> wrapped;
    size_t entries = 0;

    // A text shaped once for drawing, wrapped to `width` by `wrap` if given.
    static QStaticText prepared(const QString& text, CanvasStyle::TextStyle style, const QTextOption* wrap,
                                double width = 0)
    {
        QStaticText laidOut(text);
        laidOut.setTextFormat(Qt::PlainText);
        laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
        if (wrap) {
            laidOut.setTextOption(*wrap);
            laidOut.setTextWidth(width);
        }
        laidOut.prepare(QTransform(), fonts().fonts[size_t(style)]);
        return laidOut;
    }

    void makeRoom()
    {
        if (++entries <= 200000)
            return;
        for (auto& t : texts)
            t.clear();
        for (auto& t : wrapped)
            t.clear();
        entries = 1;
    }

    const QStaticText& get(const QString& text, CanvasStyle::TextStyle style)
    {
        auto& table = texts[size_t(style)];
        auto it = table.find(text);
        if (it != table.end())
            return *it;
        makeRoom();
        const QStaticText laidOut = prepared(text, style, nullptr);
        return *table.insert(text, laidOut);
    }

    // Keyed by the width in 1/64 points, so that boxes of one width share.
    const QStaticText& getWrapped(const QString& text, CanvasStyle::TextStyle style, double width)
    {
        auto& table = wrapped[size_t(style)];
        const std::pair<QString, int> key(text, qRound(width * 64));
        auto it = table.find(key);
        if (it != table.end())
            return *it;
        makeRoom();
        QTextOption option(Qt::AlignLeft | Qt::AlignTop);
        option.setWrapMode(QTextOption::WrapAnywhere);
        const QStaticText laidOut = prepared(text, style, &option, width);
        return *table.insert(key, laidOut);
    }
};

TextCache& textCache()
{
    static TextCache cache;
    return cache;
}

} // namespace

const QFont& CanvasStyle::font(TextStyle style)
{
    return fonts().fonts[size_t(style)];
}

QColor CanvasStyle::textColor(TextStyle style)
{
    return style == GrayLabel7 ? gray() : QColor(Qt::black);
}

QColor CanvasStyle::qcolor(const Color& c)
{
    return QColor::fromRgbF(float(c.r), float(c.g), float(c.b), float(c.a));
}

namespace {
// The tables as Qt colours, taken at the start of each paint.
std::array<QColor, PreferenceController::kRoleColorCount> roleColors;
std::array<QColor, PreferenceController::kOperatorColorCount> operatorColors;
bool colorsTaken = false;
} // namespace

void CanvasStyle::takeColors()
{
    const PreferenceController& prefs = PreferenceController::shared();
    for (int i = 0; i < PreferenceController::kRoleColorCount; ++i)
        roleColors[size_t(i)] = qcolor(prefs.colorForId(i));
    for (int i = 0; i < PreferenceController::kOperatorColorCount; ++i)
        operatorColors[size_t(i)] = qcolor(prefs.colorForOperatorId(i));
    colorsTaken = true;
}

QColor CanvasStyle::role(int colorId)
{
    if (!colorsTaken)
        takeColors();
    return colorId >= 0 && colorId < PreferenceController::kRoleColorCount ? roleColors[size_t(colorId)]
                                                                           : QColor(Qt::black);
}

QColor CanvasStyle::operatorClass(int classId)
{
    if (!colorsTaken)
        takeColors();
    return classId >= 0 && classId < PreferenceController::kOperatorColorCount ? operatorColors[size_t(classId)]
                                                                               : QColor(Qt::white);
}

QSizeF CanvasStyle::textSize(const QString& text, TextStyle style)
{
    return QSizeF(textCache().get(text, style).size().width(), fonts().metrics[size_t(style)]->height());
}

void CanvasStyle::dropTextCache()
{
    textCache() = TextCache();
}

namespace {

double minimumTextPixels = 0;

// Font and pen are set only when they change: most texts of a box share
// them, and setting either costs a state change in the paint engine.
void takeTextLook(QPainter& painter, CanvasStyle::TextStyle style, const QColor& color)
{
    const QFont& font = CanvasStyle::font(style);
    if (painter.font() != font)
        painter.setFont(font);
    const QPen& pen = painter.pen();
    if (pen.style() != Qt::SolidLine || pen.color() != color || pen.brush().style() != Qt::SolidPattern)
        painter.setPen(color);
}

void drawLaidOut(QPainter& painter, const QStaticText& laidOut, double height, const QRectF& rect,
                 CanvasStyle::TextStyle style, const QColor& color)
{
    takeTextLook(painter, style, color);
    painter.drawStaticText(
        QPointF(rect.x() + (rect.width() - laidOut.size().width()) / 2, rect.y() + (rect.height() - height) / 2),
        laidOut);
}

} // namespace

CanvasStyle::ScreenDetail::ScreenDetail(double pixels) : previous_(minimumTextPixels)
{
    minimumTextPixels = pixels;
}

CanvasStyle::ScreenDetail::~ScreenDetail()
{
    minimumTextPixels = previous_;
}

bool CanvasStyle::showsText(const QPainter& painter, TextStyle style)
{
    if (minimumTextPixels <= 0)
        return true;
    const QTransform& t = painter.worldTransform();
    const double scale = std::sqrt(t.m12() * t.m12() + t.m22() * t.m22());
    return fonts().metrics[size_t(style)]->height() * scale >= minimumTextPixels;
}

void CanvasStyle::drawTextString(QPainter& painter, const QString& text, const QRectF& rect, TextStyle style,
                                 const QColor& color)
{
    if (!showsText(painter, style))
        return;
    const QStaticText& laidOut = textCache().get(text, style);
    const double height = fonts().metrics[size_t(style)]->height();
    if (laidOut.size().width() <= rect.width()) {
        drawLaidOut(painter, laidOut, height, rect, style, color);
        return;
    }
    const QStaticText& wrapped = textCache().getWrapped(text, style, rect.width());
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    takeTextLook(painter, style, color);
    painter.drawStaticText(rect.topLeft(), wrapped);
    painter.restore();
}

void CanvasStyle::drawCenteredText(QPainter& painter, const QString& text, const QRectF& rect, TextStyle style,
                                   const QColor& color)
{
    if (!showsText(painter, style))
        return;
    drawLaidOut(painter, textCache().get(text, style), fonts().metrics[size_t(style)]->height(), rect, style, color);
}

namespace {

// Whole device pixels for a rect's outline, or false when the painter does
// more than scale and move or draws no pixels itself.
bool onPixelGrid(const QPainter& painter)
{
    const QTransform& t = painter.worldTransform();
    return painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster &&
           t.type() <= QTransform::TxScale && t.m11() > 0 && t.m22() > 0;
}

int pixelWeight(double width, double scale)
{
    return std::max(1, qRound(width * scale));
}

// A rect's edges on the device's pixel grid, rounded as every crisp outline
// rounds them.
struct DeviceEdges {
    int left, top, right, bottom;

    // The block an outline fills when it covers the rect whole.
    QRect block() const { return QRect(left, top, std::max(1, right - left), std::max(1, bottom - top)); }
};

DeviceEdges deviceEdges(const QPainter& painter, const QRectF& rect)
{
    const QRectF device = painter.worldTransform().mapRect(rect);
    return {qRound(device.left()), qRound(device.top()), qRound(device.right()), qRound(device.bottom())};
}

// Fills device pixels with antialiasing and the world transform off, then
// puts both back.
template <typename Fill> void fillDevice(QPainter& painter, Fill fill)
{
    const QTransform t = painter.worldTransform();
    const bool antialiased = painter.testRenderHint(QPainter::Antialiasing);
    painter.setWorldTransform(QTransform());
    painter.setRenderHint(QPainter::Antialiasing, false);
    fill();
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
    painter.setWorldTransform(t);
}

} // namespace

bool CanvasStyle::isSpeck(const QPainter& painter, const QRectF& box)
{
    if (minimumTextPixels <= 0 || !onPixelGrid(painter))
        return false;
    const QTransform& t = painter.worldTransform();
    // The same rounding as the outline's, so that a speck is exactly the
    // block the outline would fill.
    const DeviceEdges e = deviceEdges(painter, box);
    return e.right - e.left <= 2 * pixelWeight(1, t.m11()) || e.bottom - e.top <= 2 * pixelWeight(1, t.m22());
}

void CanvasStyle::SpeckBatch::add(QPainter& painter, const QRectF& box, const QColor& color)
{
    // One colour per batch keeps a later block over an earlier one.
    if (!blocks_.empty() && color != color_)
        flush(painter);
    color_ = color;
    // As drawCrispBevel fills a box too small for an inside.
    const QRect block = deviceEdges(painter, box).block();
    // Boxes in a column far zoomed out fall on the same pixels many times
    // over: one opaque fill of them does.
    if (blocks_.empty() || blocks_.back() != block)
        blocks_.push_back(block);
}

void CanvasStyle::SpeckBatch::flush(QPainter& painter)
{
    if (blocks_.empty())
        return;
    fillDevice(painter, [&] {
        for (const QRect& block : blocks_)
            painter.fillRect(block, color_);
    });
    blocks_.clear();
}

void CanvasStyle::drawCrispRect(QPainter& painter, const QRectF& rect, const QColor& color, double width)
{
    drawCrispBevel(painter, rect, color, color, width);
}

void CanvasStyle::drawCrispBevel(QPainter& painter, const QRectF& rect, const QColor& light, const QColor& dark,
                                 double width)
{
    if (!onPixelGrid(painter)) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(dark, width));
        painter.drawPolyline(QPolygonF{rect.bottomLeft(), rect.bottomRight(), rect.topRight()});
        painter.setPen(QPen(light, width));
        painter.drawPolyline(QPolygonF{rect.bottomLeft(), rect.topLeft(), rect.topRight()});
        return;
    }
    const QTransform& t = painter.worldTransform();
    const DeviceEdges e = deviceEdges(painter, rect);
    const int left = e.left, right = e.right, top = e.top, bottom = e.bottom;
    const int wx = pixelWeight(width, t.m11()), wy = pixelWeight(width, t.m22());
    fillDevice(painter, [&] {
        if (right - left <= 2 * wx || bottom - top <= 2 * wy) {
            painter.fillRect(e.block(), dark);
            return;
        }
        painter.fillRect(QRect(left, bottom - wy, right - left, wy), dark);
        painter.fillRect(QRect(right - wx, top, wx, bottom - top - wy), dark);
        painter.fillRect(QRect(left, top, right - left - wx, wy), light);
        painter.fillRect(QRect(left, top + wy, wx, bottom - top - 2 * wy), light);
    });
}

void CanvasStyle::drawCrispLine(QPainter& painter, const QPointF& from, const QPointF& to, const QColor& color,
                                double width)
{
    const bool horizontal = from.y() == to.y();
    if (!onPixelGrid(painter) || (!horizontal && from.x() != to.x())) {
        painter.setPen(QPen(color, width));
        painter.drawLine(from, to);
        return;
    }
    const QTransform& t = painter.worldTransform();
    const QPointF a = t.map(from), b = t.map(to);
    fillDevice(painter, [&] {
        if (horizontal) {
            const int w = pixelWeight(width, t.m22());
            const int x0 = qRound(std::min(a.x(), b.x())), x1 = qRound(std::max(a.x(), b.x()));
            painter.fillRect(QRect(x0, qRound(a.y() - w / 2.0), x1 - x0, w), color);
        } else {
            const int w = pixelWeight(width, t.m11());
            const int y0 = qRound(std::min(a.y(), b.y())), y1 = qRound(std::max(a.y(), b.y()));
            painter.fillRect(QRect(qRound(a.x() - w / 2.0), y0, w, y1 - y0), color);
        }
    });
}

namespace {

// Pins drawn once per look: a patch has thousands of pins in a handful of
// colours, and rasterising an anti-aliased oval costs more than copying it.
struct PinSprites {
    struct Key {
        QRgb stroke, fill;
        int pen, width, height, fx, fy;
        bool operator==(const Key&) const = default;
    };
    struct Hash {
        size_t operator()(const Key& k) const
        {
            size_t h = k.stroke;
            for (size_t v :
                 {size_t(k.fill), size_t(k.pen), size_t(k.width), size_t(k.height), size_t(k.fx), size_t(k.fy)})
                h = h * 1000003u ^ v;
            return h;
        }
    };
    std::unordered_map<Key, QImage, Hash> images;

    const QImage& get(const QRectF& device, double penWidth, const QColor& stroke, const QColor& fill, int fx, int fy)
    {
        const Key key{stroke.rgba(),
                      fill.rgba(),
                      qRound(penWidth * 64),
                      qRound(device.width() * 64),
                      qRound(device.height() * 64),
                      fx,
                      fy};
        auto it = images.find(key);
        if (it != images.end())
            return it->second;
        if (images.size() > 4096)
            images.clear();
        QImage sprite(int(std::ceil(device.width() + penWidth)) + 3, int(std::ceil(device.height() + penWidth)) + 3,
                      QImage::Format_ARGB32_Premultiplied);
        sprite.fill(Qt::transparent);
        QPainter p(&sprite);
        p.setRenderHint(QPainter::Antialiasing);
        CanvasStyle::strokeThenFill(p, QRectF(kBorder + fx / 4.0, kBorder + fy / 4.0, device.width(), device.height()),
                                    stroke, penWidth, fill);
        p.end();
        return images.emplace(key, sprite).first->second;
    }
    static constexpr int kBorder = 2;
};

} // namespace

void CanvasStyle::drawPin(QPainter& painter, const QRectF& rect, const QColor& stroke, const QColor& fill)
{
    const QTransform t = painter.worldTransform();
    const bool raster = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster;
    if (!raster || t.type() > QTransform::TxScale || qAbs(t.m11() - t.m22()) > 1e-9 || t.m11() <= 0) {
        strokeThenFill(painter, rect, stroke, 1, fill);
        return;
    }
    static PinSprites sprites;
    const QRectF device = t.mapRect(rect);
    int x0 = int(std::floor(device.x())), y0 = int(std::floor(device.y()));
    int fx = qRound((device.x() - x0) * 4), fy = qRound((device.y() - y0) * 4);
    if (fx == 4) {
        fx = 0;
        ++x0;
    }
    if (fy == 4) {
        fy = 0;
        ++y0;
    }
    const QImage& sprite = sprites.get(device, t.m11(), stroke, fill, fx, fy);
    painter.setWorldTransform(QTransform());
    painter.drawImage(QPoint(x0 - PinSprites::kBorder, y0 - PinSprites::kBorder), sprite);
    painter.setWorldTransform(t);
}

void CanvasStyle::strokeOval(QPainter& painter, const QRectF& rect, const QColor& stroke, double width,
                             const QColor* fill)
{
    painter.setPen(QPen(stroke, width));
    painter.setBrush(fill ? QBrush(*fill) : QBrush(Qt::NoBrush));
    painter.drawEllipse(rect);
}

void CanvasStyle::strokeThenFill(QPainter& painter, const QRectF& rect, const QColor& stroke, double width,
                                 const QColor& fill, bool oval)
{
    painter.setPen(QPen(stroke, width));
    painter.setBrush(Qt::NoBrush);
    oval ? painter.drawEllipse(rect) : painter.drawRect(rect);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    oval ? painter.drawEllipse(rect) : painter.drawRect(rect);
    painter.setBrush(Qt::NoBrush);
}

} // namespace tosk
