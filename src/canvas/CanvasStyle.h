// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Color.h"
#include "base/Geometry.h"
#include "base/TextMetrics.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>

#include <string>
#include <vector>

class QPainter;

namespace tosk {

// Colours, fonts and conversions shared by the canvas painters. The label
// and system fonts are DejaVu Sans at whole pixel sizes, so that a patch
// looks the same on every machine and in every picture rendered from it.
class CanvasStyle {
public:
    // The seven text styles of a module, plus the canvas's own.
    using TextStyle = TextMetrics::Style;
    static constexpr TextStyle GrayLabel7 = TextMetrics::GrayLabel7;
    static constexpr TextStyle BlackLabel8 = TextMetrics::BlackLabel8;
    static constexpr TextStyle BlackLabel10 = TextMetrics::BlackLabel10;
    static constexpr TextStyle BlackSystem8 = TextMetrics::BlackSystem8;
    static constexpr TextStyle System8 = TextMetrics::System8;
    static constexpr TextStyle BlackSystem12 = TextMetrics::BlackSystem12;
    static constexpr TextStyle Bubble = TextMetrics::Bubble;
    static constexpr TextStyle System10 = TextMetrics::System10;

    static constexpr const char* kFontFamily = "DejaVu Sans";

    // Makes sure the DejaVu Sans font is known to Qt (offscreen platforms
    // may not load system fonts); cheap after the first call. Needs a
    // QGuiApplication.
    static void ensureFonts();

    static const QFont& font(TextStyle style);
    // The colour a style is drawn in; System8 takes its colour at each use.
    static QColor textColor(TextStyle style);

    // Takes the colour tables of the shared preferences again (each paint
    // does, so that a colour the user changes shows at the next one).
    static void takeColors();
    // Role and operator-class colours of the shared preferences.
    static QColor role(int colorId);
    static QColor operatorClass(int classId);
    static QColor qcolor(const Color& color);
    // The fixed colours beside the tables.
    static QColor darkGray() { return QColor::fromRgbF(1.0 / 3, 1.0 / 3, 1.0 / 3); }
    static QColor lightGray() { return QColor::fromRgbF(2.0 / 3, 2.0 / 3, 2.0 / 3); }
    static QColor gray() { return QColor::fromRgbF(0.5, 0.5, 0.5); }
    static QColor shadow() { return QColor::fromRgbF(0.33, 0.33, 0.33); }
    static QColor knob() { return QColor::fromRgbF(0.5, 0.5, 0.5); }

    static QRectF qrect(const Rect& r) { return QRectF(r.x(), r.y(), r.width(), r.height()); }
    static Rect rect(const QRectF& r) { return Rect(r.x(), r.y(), r.width(), r.height()); }
    static QPointF qpoint(const Point& p) { return QPointF(p.x, p.y); }

    // The size of a text in a style.
    static QSizeF textSize(const QString& text, TextStyle style);
    // Forgets every laid-out text (as after the program starts).
    static void dropTextCache();

    // While one lives, the screen's level of detail: texts whose line is
    // shorter than `pixels` device pixels are not drawn, and a box too small
    // for an inside within its outline is drawn as that outline's block
    // alone (see isSpeck). At a small zoom these are unreadable specks and
    // most of a paint's time. Only the screen's canvas uses it; pictures
    // and exports draw everything.
    class ScreenDetail {
    public:
        explicit ScreenDetail(double pixels);
        ~ScreenDetail();
        ScreenDetail(const ScreenDetail&) = delete;
        ScreenDetail& operator=(const ScreenDetail&) = delete;

    private:
        double previous_;
    };
    // Whether a text of the style would be drawn by the painter now.
    static bool showsText(const QPainter& painter, TextStyle style);
    // Whether, under the screen's level of detail, a box is so small on the
    // pixel grid that its 1-point outline covers it whole: its fills, pins
    // and texts would not show and are left out.
    static bool isSpeck(const QPainter& painter, const QRectF& box);
    // Specks gathered and filled together, in the order added: one switch
    // to device pixels for all of them rather than one per box, which a
    // patch fitted to the window pays for tens of thousands of times.
    class SpeckBatch {
    public:
        // The block the box's crisp outline of that colour would fill.
        void add(QPainter& painter, const QRectF& box, const QColor& color);
        // Fills what was added; due before anything else is drawn over it.
        void flush(QPainter& painter);

    private:
        std::vector<QRect> blocks_;
        QColor color_;
    };
    // Draws a text centred in a rect when it fits its width, else from the
    // rect's origin, clipped and wrapped to the rect.
    static void drawTextString(QPainter& painter, const QString& text, const QRectF& rect, TextStyle style,
                               const QColor& color);
    // Draws a text centred on a rect's centre without clipping.
    static void drawCenteredText(QPainter& painter, const QString& text, const QRectF& rect, TextStyle style,
                                 const QColor& color);
    // A pin: an oval stroked, then filled over the inner half of its
    // outline. Raster painters (the canvas, PNG) copy it from a picture drawn
    // once per look, size and quarter-pixel offset; others (SVG) draw it.
    static void drawPin(QPainter& painter, const QRectF& rect, const QColor& stroke, const QColor& fill);
    // Fills the oval in a rect when a fill colour is given, then strokes it.
    static void strokeOval(QPainter& painter, const QRectF& rect, const QColor& stroke, double width,
                           const QColor* fill = nullptr);
    // The outline of an axis-aligned rect, `width` points thick, inside the
    // rect's edges. On a raster painter that only scales and moves, the
    // edges are rounded to whole device pixels and the weight to a whole
    // number of them (at least one): a 1-point outline at 100 % is one
    // pixel of its colour, not two half-tones, and keeps its weight when
    // zoomed. Other painters (SVG) get the outline as a path.
    static void drawCrispRect(QPainter& painter, const QRectF& rect, const QColor& color, double width);
    // The same outline lit from the top left: its top and left edges in
    // `light`, its bottom and right edges in `dark`.
    static void drawCrispBevel(QPainter& painter, const QRectF& rect, const QColor& light, const QColor& dark,
                               double width);
    // A horizontal or vertical line, crisp as drawCrispRect's edges.
    static void drawCrispLine(QPainter& painter, const QPointF& from, const QPointF& to, const QColor& color,
                              double width);
    // Strokes the oval (or the rect) in a rect, then fills it, so that the
    // fill covers the inside half of the outline.
    static void strokeThenFill(QPainter& painter, const QRectF& rect, const QColor& stroke, double width,
                               const QColor& fill, bool oval = true);
};

} // namespace tosk
