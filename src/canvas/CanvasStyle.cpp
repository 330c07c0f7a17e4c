#include "canvas/CanvasStyle.h"

#include "base/PreferenceController.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>

#include <array>

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

QFont CanvasStyle::font(TextStyle style)
{
    ensureFonts();
    static const std::array<int, 8> sizes{7, 8, 10, 8, 8, 12, 10, 10};
    QFont f(QString::fromLatin1(kFontFamily));
    f.setPixelSize(sizes[style]);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QColor CanvasStyle::textColor(TextStyle style)
{
    return style == GrayLabel7 ? gray() : QColor(Qt::black);
}

QColor CanvasStyle::qcolor(const Color& c)
{
    return QColor::fromRgbF(float(c.r), float(c.g), float(c.b), float(c.a));
}

QColor CanvasStyle::role(int colorId)
{
    return qcolor(PreferenceController::shared().colorForId(colorId));
}

QColor CanvasStyle::operatorClass(int classId)
{
    return qcolor(PreferenceController::shared().colorForOperatorId(classId));
}

QSizeF CanvasStyle::textSize(const QString& text, const QFont& font)
{
    QFontMetricsF metrics(font);
    return QSizeF(metrics.horizontalAdvance(text), metrics.height());
}

void CanvasStyle::drawTextString(QPainter& painter, const QString& text, const QRectF& rect, const QFont& font,
                                 const QColor& color)
{
    QSizeF size = textSize(text, font);
    painter.setFont(font);
    painter.setPen(color);
    if (size.width() <= rect.width()) {
        QFontMetricsF metrics(font);
        double x = rect.x() + (rect.width() - size.width()) / 2;
        double y = rect.y() + (rect.height() - size.height()) / 2 + metrics.ascent();
        painter.drawText(QPointF(x, y), text);
        return;
    }
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere, text);
    painter.restore();
}

void CanvasStyle::drawCenteredText(QPainter& painter, const QString& text, const QRectF& rect, const QFont& font,
                                   const QColor& color)
{
    QFontMetricsF metrics(font);
    double x = rect.x() + (rect.width() - metrics.horizontalAdvance(text)) / 2;
    double y = rect.y() + (rect.height() - metrics.height()) / 2 + metrics.ascent();
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPointF(x, y), text);
}

void CanvasStyle::strokeOval(QPainter& painter, const QRectF& rect, const QColor& stroke, double width,
                             const QColor* fill)
{
    painter.setPen(QPen(stroke, width));
    painter.setBrush(fill ? QBrush(*fill) : QBrush(Qt::NoBrush));
    painter.drawEllipse(rect);
}

} // namespace tosk
