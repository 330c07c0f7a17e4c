#include "canvas/CanvasStyle.h"

#include "base/PreferenceController.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>

#include <QHash>
#include <QStaticText>

#include <array>
#include <memory>

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

void CanvasStyle::strokeOval(QPainter& painter, const QRectF& rect, const QColor& stroke, double width,
                             const QColor* fill)
{
    painter.setPen(QPen(stroke, width));
    painter.setBrush(fill ? QBrush(*fill) : QBrush(Qt::NoBrush));
    painter.drawEllipse(rect);
}

} // namespace tosk
