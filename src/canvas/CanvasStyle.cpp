// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CanvasStyle.h"

#include "base/PreferenceController.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>

#include <QHash>
#include <QStaticText>

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
// and shaping a text costs more than drawing it.
struct TextCache {
    std::array<QHash<QString, QStaticText>, kStyles> texts;
    size_t entries = 0;

    const QStaticText& get(const QString& text, CanvasStyle::TextStyle style)
    {
        auto& table = texts[size_t(style)];
        auto it = table.find(text);
        if (it != table.end())
            return *it;
        if (++entries > 200000) {
            for (auto& t : texts)
                t.clear();
            entries = 1;
        }
        QStaticText laidOut(text);
        laidOut.setTextFormat(Qt::PlainText);
        laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
        laidOut.prepare(QTransform(), fonts().fonts[size_t(style)]);
        return *table.insert(text, laidOut);
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

void CanvasStyle::drawTextString(QPainter& painter, const QString& text, const QRectF& rect, TextStyle style,
                                 const QColor& color)
{
    QSizeF size = textSize(text, style);
    if (size.width() <= rect.width()) {
        drawCenteredText(painter, text, rect, style, color);
        return;
    }
    painter.save();
    painter.setFont(font(style));
    painter.setPen(color);
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere, text);
    painter.restore();
}

void CanvasStyle::drawCenteredText(QPainter& painter, const QString& text, const QRectF& rect, TextStyle style,
                                   const QColor& color)
{
    const QStaticText& laidOut = textCache().get(text, style);
    QSizeF size(laidOut.size().width(), fonts().metrics[size_t(style)]->height());
    painter.setFont(font(style));
    painter.setPen(color);
    painter.drawStaticText(
        QPointF(rect.x() + (rect.width() - size.width()) / 2, rect.y() + (rect.height() - size.height()) / 2), laidOut);
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
