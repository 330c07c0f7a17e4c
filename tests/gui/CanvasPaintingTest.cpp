// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of patches painted by the canvas painters, checked pixel by pixel.
#include "Toskfile/CanvasLayout.h"
#include "Toskfile/InfoLine.h"
#include "Toskfile/Module.h"
#include "Toskfile/ModuleFigure.h"
#include "Toskfile/SigFile.h"
#include "canvas/CanvasMarks.h"
#include "canvas/CanvasPainter.h"
#include "canvas/CanvasRenderer.h"
#include "canvas/CanvasStyle.h"
#include "canvas/CanvasTextMetrics.h"
#include "database/SigDbase.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
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
    QImage render(int showMode = ~int(Module::SHOW_ORDER), CanvasMarks marks = {})
    {
        return CanvasRenderer(file, head, showMode, std::move(marks)).image();
    }
    // The whole canvas painted at once, and the same picture with the area
    // of `dirty` spoilt and repainted alone, clipped as the canvas does.
    struct Repaint {
        QImage full, repainted;
        int drawn, redrawn; // modules painted each time
        double maxX;        // the canvas's extent after the repaint
    };
    Repaint paintThenRepaint(int mode, QSize size, const Module& dirty)
    {
        CanvasLayout layout(mode);
        CanvasPainter canvas;
        layout.layOut(file, head);
        Repaint r{QImage(size, QImage::Format_ARGB32_Premultiplied), {}, 0, 0, 0};
        r.full.fill(Qt::white);
        {
            QPainter p(&r.full);
            canvas.drawRect(p, Rect(0, 0, size.width(), size.height()), layout, file, head, {});
        }
        r.drawn = canvas.modulesDrawn();
        r.repainted = r.full.copy();
        const Rect g = dirty.graphicRect();
        const QRect area(int(g.x()), int(g.y()), int(g.width()), int(g.height()));
        QPainter p(&r.repainted);
        p.fillRect(area, Qt::red);
        layout.layOut(file, head);
        p.setClipRect(area);
        canvas.drawRect(p, CanvasStyle::rect(QRectF(area)), layout, file, head, {});
        r.redrawn = canvas.modulesDrawn();
        r.maxX = layout.maxX();
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

QColor rgb(int r, int g, int b)
{
    return QColor(r, g, b);
}

// The badge numbers of an SVG picture at scale 1, in the order drawn, each
// with the instance name of the module whose order circle holds it.
std::vector<std::string> badgeNumbers(const std::string& svg, const std::vector<const Module*>& modules)
{
    static const std::regex text(
        R"re(<text [^>]*x="([-0-9.e]+)" y="([-0-9.e]+)"[^>]*font-size="12"[^>]*>\s*([^<]*)</text>)re");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), text); it != std::sregex_iterator(); ++it) {
        const Point at{std::stod((*it)[1]), std::stod((*it)[2])};
        std::string where = "outside every badge";
        for (const Module* m : modules)
            if (m->orderCircle().contains(at))
                where = "in " + m->instanceName();
        found.push_back((*it)[3].str() + " " + where);
    }
    return found;
}

} // namespace

TEST(CanvasPainting, ModuleBoxIsEightyWideAndSixteenPerRow)
{
    Patch patch;
    Module& remoter = patch.add("REMOTER", "rem", 100, 40); // no pins: 4 rows
    QImage image = patch.render();
    ASSERT_EQ(remoter.rect(), Rect(100, 40, 80, 64));

    const QColor fill = rgb(245, 245, 245);
    // The inner fill runs from one point inside the outline to one point
    // inside on the other side, on every row below the title.
    for (int y = 40 + 36; y <= 40 + 62; ++y) {
        EXPECT_EQ(image.pixelColor(101, y), fill) << "y " << y;
        EXPECT_EQ(image.pixelColor(178, y), fill) << "y " << y;
        EXPECT_FALSE(isWhite(image, 100, y)) << "left outline, y " << y;
        EXPECT_FALSE(isWhite(image, 179, y)) << "right outline, y " << y;
        EXPECT_TRUE(isWhite(image, 97, y)) << "left of the box, y " << y;
        EXPECT_TRUE(isWhite(image, 182, y)) << "right of the box, y " << y;
    }
    EXPECT_EQ(image.pixelColor(140, 40 + 62), fill);
    EXPECT_FALSE(isWhite(image, 140, 40 + 63)) << "bottom outline";
    EXPECT_TRUE(isWhite(image, 140, 40 + 66)) << "below the box";
    EXPECT_FALSE(isWhite(image, 140, 40)) << "top outline";
    EXPECT_TRUE(isWhite(image, 140, 37)) << "above the box";
    // Title row in the class colour of EXTERNAL operators.
    EXPECT_EQ(image.pixelColor(102, 43), rgb(224, 224, 224));

    // A module after the marker is processor B's.
    patch.add("MARKER", "mark", 300, 40);
    Module& late = patch.add("REMOTER", "late", 500, 40);
    image = patch.render();
    EXPECT_EQ(image.pixelColor(101, 100), fill);
    EXPECT_EQ(image.pixelColor(int(late.rect().x()) + 1, 100), rgb(200, 220, 255));
    EXPECT_EQ(image.pixelColor(301, 100), rgb(200, 220, 255)) << "the marker itself is on processor B";
}

TEST(CanvasPainting, WiresRunForwardAndBackwardInThreeSegments)
{
    Patch patch;
    const int signalsOnly = Module::SHOW_SIGNAL;
    Module& src = patch.add("GAIN", "src", 100, 40);
    Module& dst = patch.add("GAIN", "dst", 300, 100);
    Patch::connect(dst, "in", src, "out");
    Module& back = patch.add("GAIN", "back", 300, 200);
    Module& front = patch.add("GAIN", "front", 100, 260);
    Patch::connect(front, "in", back, "out");
    QImage image = patch.render(signalsOnly);

    // Forward: the output pin is centred on (180, 56), the input on (300, 116).
    const double k = 16.0 / 7, pin = 40.0 / 7;
    ASSERT_EQ(src.field("out")->rect(), Rect(180 - pin, 56 - pin, 2 * pin, 2 * pin));
    ASSERT_EQ(dst.field("in")->rect(), Rect(300 - pin, 116 - pin, 2 * pin, 2 * pin));
    EXPECT_TRUE(isGreenish(image, 300 - pin - k / 2, 116)) << "stub left of the input";
    EXPECT_TRUE(isGreenish(image, 180 + pin + 0.5, 56)) << "stub right of the output";
    const double x0 = 180 + pin + k + 1, x1 = 300 - pin - k; // the slanted segment's ends
    EXPECT_TRUE(isGreenish(image, (x0 + x1) / 2, 86)) << "middle of the slanted segment";
    EXPECT_TRUE(isWhite(image, (x0 + x1) / 2, 70)) << "nothing off the path";
    EXPECT_TRUE(isWhite(image, (x0 + x1) / 2, 102));

    // Backward: the input (100, 276) lies left of the output (380, 216), so
    // the wire leaves the input to the right and enters the output from the left.
    EXPECT_TRUE(isGreenish(image, 100 + pin + k / 2, 276)) << "stub right of the input";
    EXPECT_TRUE(isGreenish(image, 380 - pin - 0.5, 216)) << "stub left of the output";
    const double b0 = 100 + pin + k, b1 = 380 - pin - k - 1;
    EXPECT_TRUE(isGreenish(image, (b0 + b1) / 2, 246)) << "middle of the backward segment";
    EXPECT_TRUE(isWhite(image, 100 - pin - 3, 276)) << "nothing left of the input";
}

TEST(CanvasPainting, FanOutDotOnlyWithTwoConnections)
{
    Patch patch;
    Module& src = patch.add("GAIN", "src", 100, 40);
    Module& first = patch.add("GAIN", "first", 300, 40);
    Patch::connect(first, "in", src, "out");
    const double bendX = 180 + 40.0 / 7 + 16.0 / 7 + 1; // the dot's centre, y 56
    QImage one = patch.render(Module::SHOW_SIGNAL);
    EXPECT_TRUE(isGreenish(one, bendX, 56)) << "the wire passes the bend";
    EXPECT_TRUE(isWhite(one, bendX, 54)) << "no dot with one connection";

    Module& second = patch.add("GAIN", "second", 450, 40);
    Patch::connect(second, "in", src, "out");
    QImage two = patch.render(Module::SHOW_SIGNAL);
    EXPECT_EQ(src.field("out")->numConnects(), 2);
    EXPECT_FALSE(isWhite(two, bendX, 54)) << "the dot reaches above the wire";
    EXPECT_FALSE(isWhite(two, bendX, 57)) << "and below it";
    EXPECT_TRUE(isWhite(two, bendX, 52));
}

TEST(CanvasPainting, HeadBoxesOfAnEmptyPatch)
{
    Patch patch;
    QImage image = patch.render();
    const double w = 360.0 / 7, right = 360.0 / 7 + 16, menuX = w / 2 - 8;
    const QColor fill = rgb(245, 245, 245);
    // Outputs on the right, inputs on the left; the user object box sits
    // under the outputs, the control sources under the inputs.
    const std::vector<std::pair<const char*, Rect>> boxes{
        {"out1in", Rect(right, 8, w, 16)},
        {"out2in", Rect(right, 40, w, 16)},
        {"in1", Rect(0, 8, w, 16)},
        {"in2", Rect(0, 40, w, 16)},
        {"obj1in", Rect(right + menuX, 56 + 32, 16, 16)},
        {"pedal1", Rect(menuX, 56 + 16, 16, 16)},
        {"tempo", Rect(menuX, 56 + 48, 16, 16)},
    };
    for (const auto& [field, rect] : boxes)
        EXPECT_EQ(patch.head->field(field)->rect(), rect) << field;
    EXPECT_EQ(image.pixelColor(int(right) + 2, 10), fill) << "output box";
    EXPECT_TRUE(isGreenish(image, right, 16)) << "output box outline";
    EXPECT_TRUE(isWhite(image, right - 3, 16)) << "left of the output box";
    EXPECT_EQ(image.pixelColor(2, 42), fill) << "input box";
    EXPECT_EQ(image.width(), int(std::ceil(right + w))) << "the picture ends with the output boxes";

    // A stereo head's right input is on top.
    Patch stereo("HEAD");
    image = stereo.render();
    EXPECT_EQ(stereo.head->field("right")->rect(), Rect(0, 8, w, 16));
    EXPECT_EQ(stereo.head->field("left")->rect(), Rect(0, 40, w, 16));
    EXPECT_EQ(stereo.head->field("pedal")->rect(), Rect(menuX, 56 + 16, 16, 16));
    EXPECT_EQ(image.pixelColor(2, 10), fill);
    EXPECT_EQ(image.pixelColor(2, 42), fill);
}

TEST(CanvasPainting, RepaintOfADirtyRectDrawsOnlyWhatMeetsItWithTheSamePixels)
{
    Patch patch;
    std::vector<Module*> modules;
    for (int i = 0; i < 12; ++i)
        modules.push_back(
            &patch.add("GAIN", std::string("g").append(std::to_string(i)), 100 + 130 * (i % 4), 40 + 100 * (i / 4)));
    for (int i = 1; i < 12; ++i)
        Patch::connect(*modules[size_t(i)], "in", *modules[size_t(i - 1)], "out");
    const Patch::Repaint r = patch.paintThenRepaint(~0, QSize(700, 400), *modules[5]);
    EXPECT_EQ(r.drawn, 12);
    EXPECT_EQ(r.redrawn, 1) << "only the module under the dirty rect";
    EXPECT_EQ(r.repainted, r.full);
    EXPECT_NEAR(r.maxX, 100 + 130 * 3 + 80 + 87.0 / 7 + 16 + 360.0 / 7, 1e-9) << "extent kept";
}

TEST(CanvasPainting, InfoLinesOfInterfaceModules)
{
    Patch patch;
    const int mode = ~int(Module::SHOW_ORDER);
    Module& knob = patch.add("KNOB", "knob", 100, 40);
    knob.field("value")->setText("0.25");
    EXPECT_EQ(InfoLine::infoFor(knob, mode)->text, "Knob: 0.25");
    EXPECT_FALSE(InfoLine::infoFor(knob, mode)->range) << "a value field: no range";
    EXPECT_FALSE(InfoLine::infoFor(knob, mode & ~Module::SHOW_INFO));
    knob.field("menu")->setText("Knob %q");
    EXPECT_EQ(InfoLine::infoFor(knob, mode)->text, "Invalid format");

    Module& selector = patch.add("SELECTOR", "sel", 200, 40);
    selector.field("value2")->setText("Bright");
    selector.field("value")->setText("1");
    EXPECT_EQ(InfoLine::infoFor(selector, mode)->text, "Mode:Bright");
    selector.field("value")->setText("7");
    EXPECT_EQ(InfoLine::infoFor(selector, mode)->text, "Invalid format") << "no seventh choice";

    Module& slider = patch.add("SLIDER", "sl", 300, 40);
    slider.field("max in")->setText("10");
    auto line = InfoLine::infoFor(slider, mode);
    EXPECT_EQ(line->text, "Slider  0.0");
    EXPECT_EQ(line->range.value_or("none"), "0...10");
    EXPECT_FALSE(InfoLine::infoFor(slider, mode & ~Module::SHOW_DEFAULTS)->range);
    EXPECT_FALSE(InfoLine::infoFor(patch.add("GAIN", "g", 400, 40), mode)) << "not an interface module";
    Module& page = patch.add("menupage", "page", 500, 40);
    page.field("title")->setText("Chorus");
    EXPECT_EQ(InfoLine::infoFor(page, mode)->text, "Chorus") << "a menu page shows its name";
    EXPECT_FALSE(InfoLine::infoFor(page, mode)->range);
}

TEST(CanvasPainting, SvgOfThePatch)
{
    Patch patch;
    Module& src = patch.add("GAIN", "src", 100, 40);
    patch.head->field("out1in")->source(src.field("out"), std::nullopt, false);
    test::TempDir dir;
    QString error;
    auto write = [&](const std::filesystem::path& path) {
        return CanvasRenderer(patch.file, patch.head, -129).write(QString::fromStdString(path.string()), 1, error);
    };
    ASSERT_TRUE(write(dir / "patch.svg")) << error.toStdString();
    std::string text = test::readFile(dir / "patch.svg");
    EXPECT_NE(text.find("<svg"), std::string::npos);
    EXPECT_NE(text.find("viewBox=\"0 0 "), std::string::npos);
    EXPECT_NE(text.find("GAIN"), std::string::npos) << "text stays text";
    EXPECT_FALSE(write(dir / "p.gif"));
    EXPECT_EQ(error, "the picture's name must end in .png or .svg");
    EXPECT_FALSE(write(dir / "missing" / "p.png"));
}

TEST(CanvasPainting, OrderBadgesEmphasisAndInteractionMarks)
{
    Patch patch;
    Module& src = patch.add("GAIN", "src", 100, 40);
    Module& dst = patch.add("GAIN", "dst", 300, 40);
    Patch::connect(dst, "in", src, "out");
    const int mode = Module::SHOW_SIGNAL | Module::SHOW_ORDER;
    const QColor yellow(255, 255, 0);

    QImage plain = patch.render(mode);
    const Rect badge = src.orderCircle();
    EXPECT_EQ(badge, Rect(120, 52, 40, 40)) << "centred on the box";
    EXPECT_EQ(plain.pixelColor(int(badge.midX()) - 10, int(badge.midY())), yellow);
    EXPECT_EQ(plain.pixelColor(40 - 10, 32), yellow) << "the head's badge at its corner";
    // The numbers are the processing order, the head's 0: each badge's text,
    // as the SVG keeps it, with the module whose circle holds it.
    test::TempDir dir;
    QString error;
    ASSERT_TRUE(CanvasRenderer(patch.file, patch.head, mode)
                    .write(QString::fromStdString((dir / "order.svg").string()), 1, error))
        << error.toStdString();
    EXPECT_EQ(badgeNumbers(test::readFile(dir / "order.svg"), {patch.head, &src, &dst}),
              (std::vector<std::string>{"1 in src", "2 in dst", "0 in adc"}));
    // The wire between the two boxes, at its plain width and colour.
    EXPECT_TRUE(isGreenish(plain, 240, 55) && isGreenish(plain, 240, 56));
    EXPECT_TRUE(isWhite(plain, 240, 57)) << "one point wide";

    CanvasMarks one;
    one.selectedModules = {src.shared_from_this()};
    QImage emphasised = patch.render(mode, one);
    EXPECT_EQ(emphasised.pixelColor(240, 55), rgb(64, 160, 64)) << "2 wide, a quarter toward white";
    EXPECT_EQ(emphasised.pixelColor(240, 56), rgb(64, 160, 64));
    CanvasMarks two;
    two.selectedModules = {src.shared_from_this(), dst.shared_from_this()};
    QImage both = patch.render(mode, two);
    EXPECT_EQ(both.pixelColor(240, 56), plain.pixelColor(240, 56)) << "with two selected no wire stands out";
    EXPECT_TRUE(isWhite(both, 240, 57));
    EXPECT_EQ(both.pixelColor(140, 40 + 60), rgb(245, 245, 245));
    const QColor outline = both.pixelColor(140, 40);
    EXPECT_GT(outline.red(), outline.green() + 80) << "the selection outline is red";
    // With a pin selected as well, Delete still takes the selected module:
    // it is drawn selected.
    CanvasMarks pinToo;
    pinToo.selectedModules = {src.shared_from_this()};
    pinToo.selectedField = dst.field("in");
    const QColor stillOutlined = patch.render(mode, pinToo).pixelColor(140, 40);
    EXPECT_EQ(stillOutlined, outline);

    // A connection being dragged from the selected pin, and a rubber band.
    CanvasMarks dragging;
    dragging.selectedField = src.field("out");
    dragging.fieldConnectionPoint = Point{250, 100};
    dragging.rubberbandRect = Rect(200.5, 108.5, 40, 8);
    QImage marks = patch.render(mode, dragging);
    EXPECT_EQ(marks.pixelColor(250, 100), rgb(132, 255, 132)) << "the dot at the mouse, in signal fill";
    EXPECT_TRUE(isGreenish(marks, 215, 78)) << "the line from the pin's centre (180, 56)";
    EXPECT_EQ(marks.pixelColor(220, 108), rgb(128, 128, 128)) << "rubber band, top edge";
    EXPECT_TRUE(isWhite(marks, 220, 112)) << "and nothing inside";

    // Overlapping boxes: the later one lies on top, unless the earlier one
    // is selected. Where the later one's left outline crosses the earlier
    // one's fill, that outline shows, or the fill over it.
    Module& under = patch.add("REMOTER", "under", 100, 200);
    Module& over = patch.add("REMOTER", "over", 140, 220);
    const QColor fill = rgb(245, 245, 245);
    EXPECT_NE(patch.render(Module::SHOW_SIGNAL).pixelColor(140, 250), fill);
    CanvasMarks underSelected;
    underSelected.selectedModules = {under.shared_from_this()};
    EXPECT_EQ(patch.render(Module::SHOW_SIGNAL, underSelected).pixelColor(140, 250), fill);
    CanvasMarks overSelected;
    overSelected.selectedModules = {over.shared_from_this()};
    EXPECT_NE(patch.render(Module::SHOW_SIGNAL, overSelected).pixelColor(140, 250), fill);
}

TEST(CanvasPainting, AWireIsNeverFilledWhateverWasDrawnBeforeIt)
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
    EXPECT_EQ(r.redrawn, 1);
    EXPECT_EQ(r.repainted, r.full);
    // Below its name row e's box is its fill and the wire's line: nothing
    // lighter, as a white wedge would be.
    int line = 0;
    for (int y = 336; y <= 362; ++y)
        for (int x = 172; x <= 247; ++x) {
            const QColor px = r.full.pixelColor(x, y);
            ASSERT_LE(std::max({px.red(), px.green(), px.blue()}), 245) << x << "," << y;
            line += px != rgb(245, 245, 245);
        }
    EXPECT_GT(line, 27) << "the wire crosses every row";
}

TEST(CanvasPainting, PinsBadgeRingsAndBubbleFramesAreStrokedThenFilled)
{
    Patch patch;
    Module& src = patch.add("GAIN", "src", 100, 40);
    Patch::connect(patch.add("GAIN", "dst", 300, 40), "in", src, "out");
    const int mode = Module::SHOW_SIGNAL | Module::SHOW_ORDER;
    CanvasMarks marks;
    marks.selectedField = src.field("out");
    marks.highlightModule = src.shared_from_this();
    // Four pixels a point: the fill covers the inner half of a line.
    QImage image = CanvasRenderer(patch.file, patch.head, mode, marks).image(4);
    const QColor signalStroke = rgb(0, 128, 0), signalFill = rgb(132, 255, 132), yellow = rgb(255, 255, 0);

    // dst's input pin, centred on (300, 56): its outline 1 point wide about
    // a radius of 40/7, from device row 201.1 up.
    EXPECT_EQ(image.pixelColor(1200, 200), signalStroke) << "outside the radius: the outline";
    EXPECT_EQ(image.pixelColor(1200, 202), signalFill) << "inside it: the fill";

    // src's badge: rings 2 wide, the inner one about x = 124 (device 496),
    // red for the highlighted module, with the yellow fill inside it.
    EXPECT_EQ(image.pixelColor(490, 288), Qt::black);
    EXPECT_EQ(image.pixelColor(494, 288), Qt::red);
    EXPECT_EQ(image.pixelColor(497, 288), yellow);
    // The head's badge: its inner ring about x = 24 (device 96).
    EXPECT_EQ(image.pixelColor(94, 128), rgb(245, 245, 245));
    EXPECT_EQ(image.pixelColor(97, 128), yellow);

    // The selected pin's name frame: its left edge at the frame's x.
    ModuleFigure figure;
    figure.compute(src, mode, src.field("out").get(), nullptr, CanvasTextMetrics::shared());
    const ModuleFigure::Pin* out = nullptr;
    for (const auto& pin : figure.pins)
        if (pin.field == src.field("out").get())
            out = &pin;
    ASSERT_TRUE(out && out->name);
    const int edge = int(std::floor(out->nameFrame.x() * 4)), y = int(out->nameFrame.midY() * 4);
    EXPECT_EQ(image.pixelColor(edge - 1, y), signalStroke);
    EXPECT_EQ(image.pixelColor(edge + 1, y), QColor(Qt::white));
}
