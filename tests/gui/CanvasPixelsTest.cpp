// SPDX-License-Identifier: GPL-3.0-or-later
// Outlines on whole pixels, and texts left out where the screen shows them
// too small to read.
#include "Toskfile/CanvasLayout.h"
#include "Toskfile/Module.h"
#include "Toskfile/SigFile.h"
#include "base/PreferenceController.h"
#include "canvas/CanvasPainter.h"
#include "canvas/CanvasRenderer.h"
#include "canvas/CanvasStyle.h"
#include "canvas/GraphicView.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QImage>
#include <QPainter>

#include <optional>

#include <gtest/gtest.h>

using namespace tosk;

namespace {

struct OneBox {
    SigFile file{test::bundledDbase(), nullptr};
    Module* head = nullptr;
    OneBox()
    {
        auto h = Module::moduleNamed("HEADM", std::string("adc"), test::bundledDbase());
        head = h.get();
        file.addModule(h);
        auto m = Module::moduleNamed("GAIN", std::string("g"), test::bundledDbase());
        m->moveToPosition(Point{100, 40});
        file.addModule(m);
    }
    QImage render(double scale) { return CanvasRenderer(file, head, ~int(Module::SHOW_ORDER)).image(scale); }
};

// The pixels of a column from y0 to y1 (exclusive) that are not `color`.
int columnOff(const QImage& image, int x, int y0, int y1, QRgb color)
{
    int off = 0;
    for (int y = y0; y < y1; ++y)
        off += image.pixel(x, y) != color;
    return off;
}

} // namespace

TEST(CanvasPixels, BoxOutlineIsWholePixelsOfItsColourAtEveryZoom)
{
    OneBox patch;
    const QRgb outline = CanvasStyle::role(ci_normal).rgb();
    const QRgb white = QColor(Qt::white).rgb();
    struct Case {
        double scale;
        int weight; // pixels of the outline at that zoom
    };
    for (const Case c : {Case{1, 1}, Case{2, 2}, Case{3, 3}}) {
        SCOPED_TRACE(c.scale);
        const QImage image = patch.render(c.scale);
        const int left = int(100 * c.scale), top = int(40 * c.scale);
        // Down the left edge, below the pins and above the box's end.
        const int y0 = top + int(45 * c.scale), y1 = top + int(58 * c.scale);
        for (int i = 0; i < c.weight; ++i)
            EXPECT_EQ(columnOff(image, left + i, y0, y1, outline), 0) << "column " << left + i;
        EXPECT_EQ(columnOff(image, left - 1, y0, y1, white), 0);
        EXPECT_EQ(columnOff(image, left + c.weight, y0, y1, outline), y1 - y0);
        // Across the top edge.
        for (int i = 0; i < c.weight; ++i)
            EXPECT_EQ(image.pixel(left + 10 * c.weight, top + i), outline);
        EXPECT_EQ(image.pixel(left + 10 * c.weight, top - 1), white);
    }
}

TEST(CanvasPixels, ScreenLeavesOutTextsTooSmallToReadAndPicturesDrawThem)
{
    OneBox patch;
    // The patch at 30 %: the box is drawn either way, its texts only without
    // the screen's level of detail.
    auto paint = [&](bool screen) {
        QImage image(200, 100, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        CanvasLayout layout(~int(Module::SHOW_ORDER));
        layout.layOut(patch.file, patch.head);
        QPainter painter(&image);
        painter.scale(0.3, 0.3);
        std::optional<CanvasStyle::TextDetail> detail;
        if (screen)
            detail.emplace(GraphicView::kMinimumTextPixels);
        CanvasPainter().drawRect(painter, Rect(0, 0, 600, 300), layout, patch.file, patch.head, {});
        return image;
    };
    const QImage screen = paint(true), picture = paint(false);
    EXPECT_NE(screen, picture);
    // The box's outline stays, on its whole pixel.
    EXPECT_EQ(screen.pixel(30, 27), CanvasStyle::role(ci_normal).rgb());
    // At 100 % nothing is left out.
    EXPECT_EQ(patch.render(1), [&] {
        const CanvasStyle::TextDetail detail(GraphicView::kMinimumTextPixels);
        return patch.render(1);
    }());
}
