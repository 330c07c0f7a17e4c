// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of patches painted by the canvas painters: what the user sees
// where the core's geometry puts it, in the style's colours, outlines on
// whole pixels, and texts left out where the screen shows them too small
// to read.
#include "Toskfile/CanvasLayout.h"
#include "Toskfile/Module.h"
#include "Toskfile/ModuleFigure.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/Wire.h"
#include "base/PreferenceController.h"
#include "canvas/CanvasMarks.h"
#include "canvas/CanvasPainter.h"
#include "canvas/CanvasRenderer.h"
#include "canvas/CanvasStyle.h"
#include "canvas/CanvasTextMetrics.h"
#include "canvas/GraphicView.h"
#include "database/OperatorDesc.h"
#include "database/SigDbase.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <regex>

#include <gtest/gtest.h>

using namespace tosk;

namespace {

// A patch built module by module.
struct Patch {
    SigFile file{test::bundledDbase(), nullptr};
    Module* head = nullptr;

    explicit Patch(const std::string& headOperator = "HEADM")
    {
        auto h = Module::moduleNamed(headOperator, std::string("adc"), test::bundledDbase());
        head = h.get();
        file.addModule(h);
    }
    Module& add(const std::string& op, const std::string& name, double x, double y)
    {
        auto m = Module::moduleNamed(op, name, test::bundledDbase());
        m->moveToPosition(Point{x, y});
        file.addModule(m);
        return *m;
    }
    static void connect(Module& to, const std::string& input, Module& from, const std::string& output)
    {
        to.field(input)->source(from.field(output), std::nullopt, false);
    }
    QImage render(int showMode = ~int(Module::SHOW_ORDER), CanvasMarks marks = {}, double scale = 1)
    {
        return CanvasRenderer(file, head, showMode, std::move(marks)).image(scale);
    }
    // The wires as a layout for the show mode routes them.
    std::vector<Wire> wires(int showMode) const
    {
        CanvasLayout layout(showMode);
        layout.layOut(file, head);
        std::vector<Wire> out;
        Wire::forEach(layout, head, [&out](const Wire& w) { out.push_back(w); });
        return out;
    }
    // The canvas painted at `scale` into a white image of `size`, with the
    // screen's level of detail or a picture's; `drawn` gets the modules painted.
    QImage paintScaled(double scale, QSize size, bool screen, const CanvasMarks& marks = {}, int* drawn = nullptr)
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        CanvasLayout layout(~int(Module::SHOW_ORDER));
        layout.layOut(file, head);
        QPainter painter(&image);
        painter.scale(scale, scale);
        std::optional<CanvasStyle::ScreenDetail> detail;
        if (screen)
            detail.emplace(GraphicView::kMinimumTextPixels);
        CanvasPainter canvas;
        canvas.drawRect(painter, Rect(0, 0, size.width() / scale, size.height() / scale), layout, file, head, marks);
        if (drawn)
            *drawn = canvas.modulesDrawn();
        return image;
    }
    // The whole canvas painted at once, and the same picture with the area
    // of `dirty` spoilt and repainted alone, clipped as the canvas does.
    struct Repaint {
        QImage full, repainted;
        int drawn, redrawn; // modules painted each time
        double maxX, maxXAfter;
    };
    Repaint paintThenRepaint(int mode, QSize size, const Module& dirty)
    {
        CanvasLayout layout(mode);
        CanvasPainter canvas;
        layout.layOut(file, head);
        Repaint r{QImage(size, QImage::Format_ARGB32_Premultiplied), {}, 0, 0, layout.maxX(), 0};
        r.full.fill(Qt::white);
        {
            QPainter p(&r.full);
            canvas.drawRect(p, Rect(0, 0, size.width(), size.height()), layout, file, head, {});
        }
        r.drawn = canvas.modulesDrawn();
        r.repainted = r.full.copy();
        const Rect g = layout.graphicRect(dirty);
        const QRect area(int(g.x()), int(g.y()), int(g.width()), int(g.height()));
        QPainter p(&r.repainted);
        p.fillRect(area, Qt::red);
        layout.layOut(file, head);
        p.setClipRect(area);
        canvas.drawRect(p, CanvasStyle::rect(QRectF(area)), layout, file, head, {});
        r.redrawn = canvas.modulesDrawn();
        r.maxXAfter = layout.maxX();
        return r;
    }
};

bool isWhite(const QImage& image, double x, double y)
{
    return image.pixelColor(int(x), int(y)) == QColor(Qt::white);
}

// Clearly green, as the signal colours are.
bool isGreenish(const QImage& image, double x, double y)
{
    QColor c = image.pixelColor(int(x), int(y));
    return c.green() > c.red() + 30 && c.green() > c.blue() + 30;
}

const auto role = CanvasStyle::role;

// The pixels of a column from y0 to y1 (exclusive) that are not `color`.
int columnOff(const QImage& image, int x, int y0, int y1, QRgb color)
{
    int off = 0;
    for (int y = y0; y < y1; ++y)
        off += image.pixel(x, y) != color;
    return off;
}

// The badge numbers of an SVG picture at scale 1, in the order drawn, each
// with the instance name of the module whose order circle holds it.
std::vector<std::string> badgeNumbers(const std::string& svg, const CanvasLayout& layout,
                                      const std::vector<const Module*>& modules)
{
    static const std::regex text(
        R"re(<text [^>]*x="([-0-9.e]+)" y="([-0-9.e]+)"[^>]*font-size="12"[^>]*>\s*([^<]*)</text>)re");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), text); it != std::sregex_iterator(); ++it) {
        const Point at{std::stod((*it)[1]), std::stod((*it)[2])};
        std::string where = "outside every badge";
        for (const Module* m : modules)
            if (layout.orderCircle(*m).contains(at))
                where = "in " + std::string(m->instanceName());
        found.push_back((*it)[3].str() + " " + where);
    }
    return found;
}

} // namespace

TEST(CanvasPainting, ABoxIsItsOutlineItsFillAndATitleInItsClassColour)
{
    Patch patch;
    Module& remoter = patch.add("REMOTER", "rem", 100, 40); // no pins: 4 rows, 100..180 x 40..104
    patch.add("MARKER", "mark", 300, 40);
    Module& late = patch.add("REMOTER", "late", 500, 40);
    const QImage image = patch.render();
    ASSERT_TRUE(remoter.opDescriptor());

    // The inner fill runs from one point inside the outline to one point
    // inside on the other side; the outline is drawn, nothing around it.
    for (const auto& [x, y] :
         std::vector<std::pair<int, int>>{{101, 76}, {178, 76}, {101, 102}, {178, 102}, {140, 102}})
        EXPECT_EQ(image.pixelColor(x, y), role(ci_fill)) << x << "," << y;
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{100, 90}, {179, 90}, {140, 40}, {140, 103}})
        EXPECT_FALSE(isWhite(image, x, y)) << "outline at " << x << "," << y;
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{97, 90}, {182, 90}, {140, 37}, {140, 106}})
        EXPECT_TRUE(isWhite(image, x, y)) << "around the box at " << x << "," << y;
    EXPECT_EQ(image.pixelColor(102, 43), CanvasStyle::operatorClass(remoter.opDescriptor()->operatorId()));

    // From the marker on, the modules run on processor B.
    EXPECT_EQ(image.pixelColor(int(late.rect().x()) + 1, 100), role(ci_processorB));
    EXPECT_EQ(image.pixelColor(301, 100), role(ci_processorB)) << "the marker itself";

    // Overlapping boxes (on processor B): the later one lies on top, unless
    // the earlier one is selected. Where the later one's left outline crosses
    // the earlier one's fill, that outline shows, or the fill over it.
    Module& under = patch.add("REMOTER", "under", 100, 200);
    Module& over = patch.add("REMOTER", "over", 140, 220);
    EXPECT_NE(patch.render(Module::SHOW_SIGNAL).pixelColor(140, 250), role(ci_processorB));
    CanvasMarks underSelected;
    underSelected.selectedModules = {under.shared_from_this()};
    EXPECT_EQ(patch.render(Module::SHOW_SIGNAL, underSelected).pixelColor(140, 250), role(ci_processorB));
    CanvasMarks overSelected;
    overSelected.selectedModules = {over.shared_from_this()};
    EXPECT_NE(patch.render(Module::SHOW_SIGNAL, overSelected).pixelColor(140, 250), role(ci_processorB));
}

TEST(CanvasPainting, WiresAreDrawnAlongTheirRouteWithADotOnlyWhereASourceFansOut)
{
    Patch patch;
    Module& src = patch.add("GAIN", "src", 100, 40);
    Patch::connect(patch.add("GAIN", "dst", 300, 100), "in", src, "out"); // forward
    Module& back = patch.add("GAIN", "back", 300, 200);
    Patch::connect(patch.add("GAIN", "front", 100, 260), "in", back, "out"); // backward
    QImage image = patch.render(Module::SHOW_SIGNAL);
    const std::vector<Wire> wires = patch.wires(Module::SHOW_SIGNAL);
    ASSERT_EQ(wires.size(), 2u);
    // Each wire's three runs, the input's stub first; nothing off the slanted one.
    for (const Wire& w : wires)
        for (size_t i = 0; i < 3; ++i) {
            const Point mid{(w.points[i].x + w.points[i + 1].x) / 2, (w.points[i].y + w.points[i + 1].y) / 2};
            EXPECT_TRUE(isGreenish(image, mid.x, mid.y)) << w.module->instanceName() << " run " << i;
            if (i == 1) {
                EXPECT_TRUE(isWhite(image, mid.x, mid.y - 16) && isWhite(image, mid.x, mid.y + 16));
            }
        }
    const Point bend = wires[0].sourceBend();
    EXPECT_TRUE(isWhite(image, bend.x, bend.y - 2)) << "no dot with one connection";

    Patch::connect(patch.add("GAIN", "second", 450, 40), "in", src, "out");
    image = patch.render(Module::SHOW_SIGNAL);
    EXPECT_FALSE(isWhite(image, bend.x, bend.y - 2)) << "the dot reaches above the wire";
    EXPECT_FALSE(isWhite(image, bend.x, bend.y + 1)) << "and below it";
    EXPECT_TRUE(isWhite(image, bend.x, bend.y - 4));
}

TEST(CanvasPainting, TheHeadsBoxesArePaintedWhereTheLayoutPutsThem)
{
    for (const char* op : {"HEADM", "HEAD"}) {
        SCOPED_TRACE(op);
        Patch patch(op);
        const QImage image = patch.render();
        CanvasLayout layout(~int(Module::SHOW_ORDER));
        layout.layOut(patch.file, patch.head);
        ASSERT_FALSE(layout.headBoxes().empty());
        double right = 0;
        for (const HeadLayout::Box& box : layout.headBoxes()) {
            SCOPED_TRACE(box.label);
            EXPECT_FALSE(isWhite(image, box.rect.x(), box.rect.midY())) << "its outline";
            if (box.rect.width() > 16) { // an input or output, not a control source's pin
                EXPECT_EQ(image.pixelColor(int(box.rect.x()) + 2, int(box.rect.y()) + 2), role(ci_fill));
            }
            right = std::max(right, box.rect.maxX());
        }
        EXPECT_EQ(image.width(), int(std::ceil(right))) << "the picture ends with the output boxes";
    }
}

TEST(CanvasPainting, OrderBadgesEmphasisInteractionMarksAndShapesStrokedThenFilled)
{
    Patch patch;
    Module& src = patch.add("GAIN", "src", 100, 40);
    Module& dst = patch.add("GAIN", "dst", 300, 40);
    Patch::connect(dst, "in", src, "out");
    const int mode = Module::SHOW_SIGNAL | Module::SHOW_ORDER;

    // The numbers are the processing order, the head's 0: each badge's text,
    // as the SVG keeps it, with the module whose circle holds it.
    const QImage plain = patch.render(mode);
    test::TempDir dir;
    QString error;
    ASSERT_TRUE(CanvasRenderer(patch.file, patch.head, mode)
                    .write(QString::fromStdString((dir / "order.svg").string()), 1, error))
        << error.toStdString();
    CanvasLayout layout(mode);
    layout.layOut(patch.file, patch.head);
    EXPECT_EQ(badgeNumbers(test::readFile(dir / "order.svg"), layout, {patch.head, &src, &dst}),
              (std::vector<std::string>{"1 in src", "2 in dst", "0 in adc"}));
    // The wire between the two boxes is one point wide.
    EXPECT_TRUE(isGreenish(plain, 240, 55) && isGreenish(plain, 240, 56));
    EXPECT_TRUE(isWhite(plain, 240, 57));

    // The wires of one selected module stand out; with both ends selected
    // none does.
    CanvasMarks one;
    one.selectedModules = {src.shared_from_this()};
    const QImage emphasised = patch.render(mode, one);
    EXPECT_NE(emphasised.pixelColor(240, 56), plain.pixelColor(240, 56));
    EXPECT_EQ(emphasised.pixelColor(240, 55), emphasised.pixelColor(240, 56)) << "two points wide";
    CanvasMarks two;
    two.selectedModules = {src.shared_from_this(), dst.shared_from_this()};
    const QImage both = patch.render(mode, two);
    EXPECT_EQ(both.pixelColor(240, 56), plain.pixelColor(240, 56));
    EXPECT_TRUE(isWhite(both, 240, 57));
    const QColor outline = both.pixelColor(140, 40);
    EXPECT_EQ(outline, role(ci_selected)) << "the selection outline, on its whole pixel";
    EXPECT_EQ(emphasised.pixelColor(140, 40), outline);
    // With a pin selected as well, Delete still takes the selected module:
    // it is drawn selected.
    CanvasMarks pinToo;
    pinToo.selectedModules = {src.shared_from_this()};
    pinToo.selectedField = dst.field("in")->shared();
    const QImage pinSelected = patch.render(mode, pinToo);
    EXPECT_EQ(pinSelected.pixelColor(140, 40), outline);
    EXPECT_TRUE(isWhite(pinSelected, 150, 28) && isWhite(pinSelected, 1, 1)) << "no connection is being dragged";

    // A connection being dragged from the selected pin, and a rubber band.
    CanvasMarks dragging;
    dragging.selectedField = src.field("out")->shared();
    dragging.fieldConnectionPoint = Point{250, 100};
    dragging.rubberbandRect = Rect(200.5, 108.5, 40, 8);
    const QImage marks = patch.render(mode, dragging);
    EXPECT_EQ(marks.pixelColor(250, 100), role(ci_signal_fill)) << "the dot at the mouse";
    EXPECT_TRUE(isGreenish(marks, 215, 78)) << "the line from the pin's centre (180, 56)";
    EXPECT_FALSE(isWhite(marks, 220, 108)) << "rubber band, top edge";
    EXPECT_TRUE(isWhite(marks, 220, 112)) << "and nothing inside";

    // Pins, badge rings and name frames are stroked, then filled: at four
    // pixels a point the fill covers the inner half of a line.
    CanvasMarks highlit;
    highlit.selectedField = src.field("out")->shared();
    highlit.highlightModule = src.shared_from_this();
    const QImage image = patch.render(mode, highlit, 4), plain4 = patch.render(mode, {}, 4);

    // dst's input pin, centred on (300, 56): its outline 1 point wide about
    // a radius of 40/7, from device row 201.1 up.
    EXPECT_EQ(image.pixelColor(1200, 200), role(ci_signal_stroke)) << "outside the radius: the outline";
    EXPECT_EQ(image.pixelColor(1200, 202), role(ci_signal_fill)) << "inside it: the fill";

    // src's badge: rings 2 wide, the inner one about x = 124 (device 496),
    // marked for the highlighted module, with the badge's fill inside it.
    EXPECT_NE(image.pixelColor(494, 288), plain4.pixelColor(494, 288)) << "the highlighted inner ring";
    EXPECT_NE(image.pixelColor(494, 288), image.pixelColor(497, 288));
    EXPECT_EQ(image.pixelColor(497, 288), plain4.pixelColor(497, 288)) << "the fill covers the ring's inner half";
    EXPECT_EQ(image.pixelColor(497, 288), image.pixelColor(97, 128)) << "the head's badge has the same fill";
    EXPECT_EQ(image.pixelColor(94, 128), role(ci_fill)) << "the head's inner ring, in the box's fill";

    // The selected pin's name frame: its left edge at the frame's x.
    ModuleFigure figure;
    figure.compute(layout, src, src.field("out").get(), nullptr, CanvasTextMetrics::shared());
    const ModuleFigure::Pin* out = nullptr;
    for (const auto& pin : figure.pins)
        if (pin.field == src.field("out").get())
            out = &pin;
    ASSERT_TRUE(out && out->name);
    const int edge = int(std::floor(out->nameFrame.x() * 4)), y = int(out->nameFrame.midY() * 4);
    EXPECT_EQ(image.pixelColor(edge - 1, y), role(ci_signal_stroke));
    EXPECT_EQ(image.pixelColor(edge + 1, y), QColor(Qt::white));
}

TEST(CanvasPainting, ARepaintDrawsOnlyWhatMeetsItAndNeverFillsAWire)
{
    Patch patch;
    // A source fanning out to two inputs: its wires, with their dots, are
    // drawn first...
    Module& src = patch.add("GAIN", "src", 100, 40);
    Patch::connect(patch.add("GAIN", "a", 300, 40), "in", src, "out");
    Patch::connect(patch.add("GAIN", "b", 300, 120), "in", src, "out");
    // ...then a steep wire across the box of e.
    Module& c = patch.add("GAIN", "c", 100, 400);
    Patch::connect(patch.add("GAIN", "d", 220, 160), "in", c, "out");
    Module& e = patch.add("REMOTER", "e", 170, 300); // drawn without pins
    // A repaint of e's area alone draws no fan-out dot before the wire, and
    // gives the same pixels.
    const Patch::Repaint r = patch.paintThenRepaint(Module::SHOW_SIGNAL, QSize(700, 500), e);
    EXPECT_EQ(r.drawn, 6);
    EXPECT_EQ(r.redrawn, 1) << "only the module under the dirty rect";
    EXPECT_EQ(r.repainted, r.full);
    EXPECT_EQ(r.maxXAfter, r.maxX) << "extent kept";
    // Below its name row e's box is its fill and the wire's line: nothing
    // lighter, as a white wedge would be.
    const QColor fill = role(ci_fill);
    const int lightest = std::max({fill.red(), fill.green(), fill.blue()});
    int line = 0;
    for (int y = 336; y <= 362; ++y)
        for (int x = 172; x <= 247; ++x) {
            const QColor px = r.full.pixelColor(x, y);
            ASSERT_LE(std::max({px.red(), px.green(), px.blue()}), lightest) << x << "," << y;
            line += px != fill;
        }
    EXPECT_GT(line, 27) << "the wire crosses every row";

    // A wire leaving its input to the right, over another box to a source
    // far right, is drawn again when only that box is repainted.
    Patch right;
    Module& far = right.add("GAIN", "far", 420, 200);
    Patch::connect(right.add("GAIN", "near", 20, 40), "in", far, "out");
    Module& mid = right.add("REMOTER", "mid", 200, 100);
    const Patch::Repaint across = right.paintThenRepaint(Module::SHOW_SIGNAL, QSize(700, 500), mid);
    EXPECT_EQ(across.drawn, 3);
    EXPECT_EQ(across.redrawn, 1);
    EXPECT_EQ(across.repainted, across.full);
}

TEST(CanvasPixels, BoxOutlineIsWholePixelsAtEveryZoomAndTheScreenLeavesOutTextsTooSmallToRead)
{
    Patch patch;
    patch.add("GAIN", "g", 100, 40);
    const QRgb outline = CanvasStyle::role(ci_normal).rgb();
    const QRgb white = QColor(Qt::white).rgb();
    struct Case {
        double scale;
        int weight; // pixels of the outline at that zoom
    };
    for (const Case c : {Case{1, 1}, Case{2, 2}, Case{3, 3}}) {
        SCOPED_TRACE(c.scale);
        const QImage image = patch.render(~int(Module::SHOW_ORDER), {}, c.scale);
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

    // The patch at 30 %: the box is drawn either way, its texts only without
    // the screen's level of detail.
    const QImage screen = patch.paintScaled(0.3, QSize(200, 100), true),
                 picture = patch.paintScaled(0.3, QSize(200, 100), false);
    EXPECT_NE(screen, picture);
    // The box's outline stays, on its whole pixel.
    EXPECT_EQ(screen.pixel(30, 27), outline);
    // At 100 % nothing is left out.
    EXPECT_EQ(patch.render(), [&] {
        const CanvasStyle::ScreenDetail detail(GraphicView::kMinimumTextPixels);
        return patch.render();
    }());
}

TEST(CanvasPixels, ZoomedFarOutTheScreenDrawsEachBoxAsItsOutlineAlone)
{
    Patch patch;
    patch.add("GAIN", "g", 150, 40);
    Module& selected = patch.add("GAIN", "s", 300, 40);
    CanvasMarks marks;
    marks.selectedModules = {selected.shared_from_this()};
    const QRgb normal = role(ci_normal).rgb(), chosen = role(ci_selected).rgb(), white = QColor(Qt::white).rgb();
    // At 2 %, boxes are a pixel or two: too small for an inside.
    constexpr double scale = 0.02;
    CanvasLayout layout(~int(Module::SHOW_ORDER));
    layout.layOut(patch.file, patch.head);
    // Each pixel the screen draws between the head's inputs and outputs is
    // an outline's, in its box's colour; the pins and fills a picture draws
    // around them are left out.
    const int left = int(HeadLayout::kBoxWidth * scale) + 2, right = int(layout.outputsX() * scale) - 1;
    auto tally = [&](const QImage& image) {
        std::map<QRgb, int> count;
        for (int y = 0; y < image.height(); ++y)
            for (int x = left; x < right; ++x)
                if (const QRgb px = image.pixel(x, y); px != white)
                    ++count[px == normal || px == chosen ? px : 0];
        return count;
    };
    int drawn[2] = {};
    const std::map<QRgb, int> screen = tally(patch.paintScaled(scale, QSize(30, 10), true, marks, &drawn[0])),
                              picture = tally(patch.paintScaled(scale, QSize(30, 10), false, marks, &drawn[1]));
    EXPECT_EQ((std::pair{drawn[0], drawn[1]}), (std::pair{2, 2}));
    EXPECT_GT(screen.count(normal), 0u);
    EXPECT_GT(screen.count(chosen), 0u);
    EXPECT_EQ(screen.count(0), 0u) << "a pixel of another colour";
    EXPECT_GT(picture.count(0), 0u);
}
