// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas's geometry without painting: layout and extent, the head's
// boxes, wires, module figures with their labels, the hit tests, and the
// info lines of interface modules.
#include "SigFileTestSupport.h"

#include "Toskfile/CanvasHitTest.h"
#include "Toskfile/CanvasLayout.h"
#include "Toskfile/InfoLine.h"
#include "Toskfile/ModuleFigure.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/PatchLayout.h"
#include "Toskfile/Wire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace tosk;
using namespace tosk::test;

namespace {

constexpr int kPins = Module::SHOW_CONTROL | Module::SHOW_SIGNAL | Module::SHOW_USEROBJ;
constexpr double kPin = 40.0 / 7; // half a pin's side
constexpr double kBoxW = 360.0 / 7;

// Every character `perChar` points wide, every line 12 high.
struct FixedMetrics : TextMetrics {
    double perChar = 6;
    Size textSize(const std::string& text, Style) const override { return Size{perChar * double(text.size()), 12}; }
};

Rect pinAt(double cx, double cy)
{
    return Rect(cx - kPin, cy - kPin, 2 * kPin, 2 * kPin);
}

ModuleGeometry::Laid laidOut(const Module& m, int mode)
{
    ModuleGeometry::Laid laid;
    ModuleGeometry::layOut(m, mode, laid);
    return laid;
}

// The row of every pin laid out, by field name, and the module's count of
// rows under "(rows)".
using Rows = std::map<std::string, int>;
Rows rows(const ModuleGeometry::Laid& laid)
{
    Rows result{{"(rows)", laid.rows}};
    for (const auto& pin : laid.pins)
        result[pin.field->name()] = pin.row;
    return result;
}

// Positions worked out here in another order than the code's may differ in
// the last bits.
void expectNear(const Rect& actual, const Rect& expected, const char* what = "")
{
    EXPECT_NEAR(actual.minX(), expected.minX(), 1e-9) << what;
    EXPECT_NEAR(actual.minY(), expected.minY(), 1e-9) << what;
    EXPECT_NEAR(actual.maxX(), expected.maxX(), 1e-9) << what;
    EXPECT_NEAR(actual.maxY(), expected.maxY(), 1e-9) << what;
}

void expectNear(const std::array<Point, 4>& actual, const std::array<Point, 4>& expected)
{
    for (size_t i = 0; i < 4; ++i)
        expectNear(Rect(actual[i].x, actual[i].y, 0, 0), Rect(expected[i].x, expected[i].y, 0, 0), "a point");
}

// A patch of the test database built module by module.
struct Canvas {
    std::shared_ptr<SigDbase> db = testDbase();
    ModuleList patch;
    Module::Ptr head;
    CanvasLayout layout;

    Canvas()
    {
        head = newModule("HEADM", "adc", db);
        patch.addModule(head);
    }
    Module::Ptr add(const std::string& op, const std::string& name, double x, double y)
    {
        auto m = newModule(op, name, db);
        m->moveToPosition(Point{x, y});
        patch.addModule(m);
        return m;
    }
    static void connect(Module& to, const std::string& input, Module& from, const std::string& output)
    {
        to.field(input)->source(from.field(output), std::nullopt, false);
    }
    void layOut(int showMode)
    {
        layout.setShowMode(showMode);
        layout.layOut(patch, head.get());
    }
    // Another view's layout of the same patch.
    CanvasLayout asked(int showMode)
    {
        CanvasLayout other(showMode);
        other.layOut(patch, head.get());
        return other;
    }
};

} // namespace

TEST(CanvasGeometry, LayoutMeasuresTheModulesAndPutsTheHeadsBoxesRightOfThem)
{
    Canvas c;
    auto osc = c.add("OSC", "osc", 100, 40);
    Canvas::connect(*osc, "fm", *c.head, "left");
    Canvas::connect(*c.head, "outleft", *osc, "out");
    c.layOut(kPins);

    const double right = 180 + 87.0 / 7 + 16; // 16 right of the graphic rect
    ASSERT_EQ(c.layout.headBoxes().size(), 2u);
    const HeadLayout::Box& in = c.layout.headBoxes()[0];
    const HeadLayout::Box& out = c.layout.headBoxes()[1];
    EXPECT_EQ(out.field, c.head->field("outleft").get());
    expectNear(out.rect, Rect(right, 8, kBoxW, 16));
    EXPECT_EQ(in.field, c.head->field("left").get());
    EXPECT_EQ(in.rect, Rect(0, 40, kBoxW, 16)) << "a left input is drawn second";
    EXPECT_EQ((Names{in.label, out.label}), (Names{"left >", "> outleft"}));
    EXPECT_EQ(c.layout.pinRect(*c.head->field("left")), in.rect) << "the box is the field's rect";
    for (const char* name : {"null", "zero", "nullobj", "opstart_name"})
        EXPECT_EQ(c.layout.pinRect(*c.head->field(name)).size, Size{}) << name << ": the head has no pins of its own";
    EXPECT_DOUBLE_EQ(c.layout.maxX(), right + kBoxW);
    EXPECT_DOUBLE_EQ(c.layout.maxY(), 105);
    EXPECT_EQ(c.layout.visibleRect(), c.layout.graphicRect(*osc));

    // Another show mode lays everything out again.
    c.layOut(Module::SHOW_CONTROL);
    EXPECT_EQ(c.layout.rows(*osc), 0) << "no control pin connected: not drawn";
    EXPECT_EQ(c.layout.visibleRect(), Rect());
    EXPECT_DOUBLE_EQ(c.layout.headBoxes()[1].rect.x(), kBoxW + 16) << "outputs beside an empty canvas";
    c.layOut(kPins);
    EXPECT_EQ(c.layout.rows(*osc), 4);
    EXPECT_DOUBLE_EQ(c.layout.headBoxes()[1].rect.x(), right);
}

TEST(CanvasGeometry, WiresRunBetweenPinsAndAreDrawnForShownPinsOnly)
{
    // Forward: the input right of its source.
    Wire forward = Wire::between(pinAt(300, 116), pinAt(180, 56));
    const double k = 16.0 / 7;
    expectNear(forward.points, {Point{300 - kPin, 116}, Point{300 - kPin - k, 116}, Point{180 + kPin + k + 1, 56},
                                Point{180 + kPin, 56}});
    expectNear(forward.bounds, Rect(180 + kPin - 2, 54, 120 - 2 * kPin + 4, 64), "room for a 2-wide line");
    // Backward: the input left of its source's right edge.
    Wire backward = Wire::between(pinAt(100, 276), pinAt(380, 216));
    expectNear(backward.points, {Point{100 + kPin, 276}, Point{100 + kPin + k, 276}, Point{380 - kPin - k - 1, 216},
                                 Point{380 - kPin, 216}});
    EXPECT_NEAR(forward.distanceTo(Point{240.5, 86}), 0, 1e-9) << "the middle of the slanted run";
    EXPECT_NEAR(forward.distanceTo(Point{300 - kPin, 120}), 4, 1e-9) << "below the input's stub";

    Canvas c;
    auto src = c.add("OSC", "src", 100, 40);
    auto a = c.add("OSC", "a", 300, 100);
    auto b = c.add("OSC", "b", 300, 200);
    Canvas::connect(*a, "fm", *src, "out");
    Canvas::connect(*b, "fm", *src, "out");
    Canvas::connect(*b, "freq", *c.head, "zero");
    Canvas::connect(*c.head, "outleft", *a, "out");
    c.layOut(kPins);
    std::vector<std::string> drawn;
    auto visit = [&](const Wire& w) {
        drawn.push_back(std::string(w.module->instanceName()) + "." + w.input->name() + (w.fanOut ? " dot" : ""));
    };
    Wire::forEach(c.layout, c.head.get(), visit);
    EXPECT_EQ(drawn, (Names{"adc.outleft", "a.fm dot", "b.fm dot"})) << "nothing from the head's zero";
    // The head's wires come at its place in the list.
    c.patch.removeModule(c.head.get());
    c.patch.addModule(c.head);
    c.layOut(kPins);
    drawn.clear();
    Wire::forEach(c.layout, c.head.get(), visit);
    EXPECT_EQ(drawn, (Names{"a.fm dot", "b.fm dot", "adc.outleft"}));
    src->field("out")->setAsAlwaysHidden(true);
    drawn.clear();
    Wire::forEach(c.layout, c.head.get(), visit);
    EXPECT_EQ(drawn, Names{"adc.outleft"}) << "a hidden source draws no wire";
}

TEST(CanvasGeometry, FigurePlacesLabelsBesidePinsAndCoversThem)
{
    Canvas c;
    auto osc = c.add("OSC", "osc", 100, 40);
    const int all = ~int(Module::SHOW_ORDER);
    c.layOut(all);
    FixedMetrics metrics;
    ModuleFigure figure;
    figure.compute(c.layout, *osc, osc->field("out").get(), nullptr, metrics);

    EXPECT_EQ(figure.box, Rect(100, 40, 80, 64));
    EXPECT_EQ(figure.inner, Rect(101, 41, 78, 62));
    EXPECT_EQ(figure.title.text, "OSC");
    EXPECT_EQ(figure.title.box, Rect(101, 41, 78, 120.0 / 7));
    ASSERT_TRUE(figure.instanceName);
    EXPECT_EQ(figure.instanceName->box, c.layout.pinRect(*osc->field("opstart_name")));
    ASSERT_EQ(figure.pins.size(), 6u) << "every pin shown with the unconnected ones";

    // freq (row 2): its value beside the input pin, one point larger than the text.
    const ModuleFigure::Pin& freq = figure.pins[0];
    EXPECT_EQ(freq.field, osc->field("freq").get());
    ASSERT_TRUE(freq.value);
    EXPECT_EQ(freq.value->text, "440");
    expectNear(freq.value->box, Rect(100 + kPin + 3, 72 - 6.5, 19, 13));
    EXPECT_FALSE(freq.bubble);
    // out (row -1) is selected: a bubble, its name left of the pin in a frame.
    const auto out = std::find_if(figure.pins.begin(), figure.pins.end(),
                                  [&](const ModuleFigure::Pin& p) { return p.field == osc->field("out").get(); });
    ASSERT_NE(out, figure.pins.end());
    EXPECT_EQ(out->bubble, pinAt(180, 56));
    expectNear(out->oval, Rect(180 - kPin + 2, 56 - kPin + 2, 2 * kPin - 4, 2 * kPin - 4));
    ASSERT_TRUE(out->name);
    EXPECT_EQ(out->name->text, "out");
    expectNear(out->name->box, Rect(180 - kPin - 18 - 3, 56 - 6.5, 19, 13));
    expectNear(out->nameFrame, Rect(180 - kPin - 24, 48.5, 25, 15));
    EXPECT_FALSE(out->value);
    expectNear(figure.bounds, c.layout.graphicRect(*osc), "everything inside the pin margins");

    // Long labels reach past the graphic rect: the figure covers them.
    metrics.perChar = 40;
    figure.compute(c.layout, *osc, nullptr, osc->field("fm").get(), metrics);
    EXPECT_DOUBLE_EQ(figure.pins[1].nameFrame.maxX(), 100 + kPin + 3 + 81 + 3) << "fm's name";
    EXPECT_DOUBLE_EQ(figure.bounds.maxX(), 100 + kPin + 3 + 121) << "freq's value, \"440\"";
    EXPECT_EQ(figure.bounds.minX(), c.layout.graphicRect(*osc).minX());

    // Without default values shown nothing is written beside the pins;
    // repetitions are numbered in their pins.
    auto mix = c.add("MIX", "mix", 300, 40);
    mix->addIteratedField(*mix->field("in1"), nullptr);
    c.layOut(kPins | Module::SHOW_UNCONNECTED);
    figure.compute(c.layout, *mix, nullptr, nullptr, metrics);
    std::vector<std::string> numbers;
    for (const auto& p : figure.pins) {
        std::string label = p.field->name();
        if (p.instance)
            label += '#' + std::to_string(*p.instance);
        if (p.value)
            label += " value";
        numbers.push_back(label);
    }
    EXPECT_EQ(numbers, (Names{"in1#1", "tap1#1", "in2#2", "tap2#2", "out"}));
}

TEST(CanvasGeometry, HitTestsFindModulesPinsBadgesAndWiresAtExactPositions)
{
    Canvas c;
    auto osc = c.add("OSC", "osc", 100, 40);
    auto b = c.add("OSC", "b", 130, 200);
    auto top = c.add("OSC", "top", 130, 200); // over b
    auto idle = c.add("FILTER", "idle", 400, 400);
    Canvas::connect(*osc, "fm", *c.head, "left");
    Canvas::connect(*b, "fm", *osc, "out");
    Canvas::connect(*top, "fm", *osc, "out");
    Canvas::connect(*c.head, "outleft", *osc, "out");
    c.layOut(kPins);
    ASSERT_EQ(c.layout.box(*c.head), Rect(0, 0, 80, 64)) << "the unplaced head seated at the origin";
    ASSERT_EQ(c.layout.rows(*idle), 0);

    using H = CanvasHitTest;
    auto name = [](const Module* m) { return m ? std::string(m->instanceName()) : std::string("-"); };
    auto under = [&](double x, double y) { return name(H::moduleUnderPoint(c.layout, c.patch, Point{x, y})); };
    auto near = [&](double x, double y) { return name(H::moduleNearPoint(c.layout, c.patch, Point{x, y})); };
    // A box holds its top-left corner but not its right or bottom edge; the
    // later of two boxes is found.
    EXPECT_EQ(
        (Names{under(100, 40), under(179.9, 103.9), under(180, 60), under(120, 104), under(150, 220), under(10, 5)}),
        (Names{"osc", "osc", "-", "-", "top", "adc"}));
    // In the pin margin; 87/7 from the box is outside; a module not drawn is near nothing.
    EXPECT_EQ((Names{near(90, 56), near(87.5, 56), near(420, 400)}), (Names{"osc", "-", "-"}));

    auto hit = [&](double x, double y, int mode = kPins) {
        const H::Hit h = H::hitAt(c.asked(mode), c.patch, c.head.get(), Point{x, y});
        std::string named = name(h.module);
        if (h.field)
            named.append(".").append(h.field->name());
        return named;
    };
    // In the box on no pin the module; in the pin margin on no pin nothing;
    // the head itself only with badges shown.
    EXPECT_EQ((Names{hit(100, 56), hit(185, 60), hit(140, 80), hit(92, 80), hit(10, 45), hit(70, 5),
                     hit(70, 5, kPins | Module::SHOW_ORDER)}),
              (Names{"osc.fm", "osc.out", "osc", "-", "adc.left", "-", "adc"}));
    const double right = c.layout.headBoxes()[1].rect.x();
    EXPECT_EQ(hit(right + 1, 9), "adc.outleft") << "no module near: the head's boxes";
    EXPECT_EQ(H::pinAt(c.layout, c.patch, c.head.get(), Point{right + 1, 9}), c.head->field("outleft"));
    EXPECT_EQ(H::pinAt(c.layout, c.patch, c.head.get(), Point{300, 300}), nullptr);

    auto badge = [&](double x, double y, int mode = kPins | Module::SHOW_ORDER) {
        return name(H::orderBadgeAt(c.asked(mode), c.patch, c.head.get(), Point{x, y}));
    };
    // The corner of the order circle; badges not shown; the later badge over
    // the earlier; the head's badge in the corner.
    EXPECT_EQ((Names{badge(120, 52), badge(119.9, 70), badge(140, 70, kPins), badge(170, 232), badge(21, 13)}),
              (Names{"osc", "-", "-", "top", "adc"}));

    EXPECT_EQ(H::modulesContainedInRect(c.layout, c.patch, Rect(99, 39, 82, 66)), (std::vector<Module*>{osc.get()}));
    EXPECT_EQ(H::modulesContainedInRect(c.layout, c.patch, Rect(101, 39, 82, 66)), std::vector<Module*>{});
    EXPECT_EQ(H::modulesIntersectingRect(c.layout, c.patch, Rect(175, 100, 10, 150)),
              (std::vector<Module*>{osc.get(), b.get(), top.get()}));
    const CanvasLayout& l = c.layout;
    EXPECT_EQ(H::boundsForModules(l, {osc.get(), b.get()}), l.graphicRect(*osc).united(l.graphicRect(*b)));
    EXPECT_EQ(H::boundsForModules(l, {}), Rect());
    EXPECT_EQ(H::connectedDirtyRect(l, c.patch, *b), l.graphicRect(*b).united(l.pinRect(*osc->field("out"))));
    expectNear(H::connectedDirtyRect(l, c.patch, *osc), l.graphicRect(*osc)
                                                            .united(l.pinRect(*c.head->field("left")))
                                                            .united(l.pinRect(*c.head->field("outleft")))
                                                            .united(l.pinRect(*b->field("fm"))));

    // The wires from osc's output to b and top run the same way back: the
    // one drawn last is hit. Its slanted run goes from (138, 216) to (171, 56).
    auto wire = [&](double x, double y) { return H::wireAt(c.layout, c.head.get(), Point{x, y}); };
    // 2.9 points off the line hits it, 3.1 points off does not.
    auto off = [&](double d) {
        return wire(154.5 + d * 160 / std::hypot(33, 160), 136 + d * 33 / std::hypot(33, 160));
    };
    EXPECT_EQ((Module::FieldList{wire(154.5, 136), off(2.9), off(3.1), wire(60, 48), wire(300, 300)}),
              (Module::FieldList{top->field("fm"), top->field("fm"), nullptr, osc->field("fm"), nullptr}))
        << "the fourth from the head's input box";
}

TEST(CanvasGeometry, LayingOutAPatchLeavesItsModulesAsTheFileHasThem)
{
    // The head and one module have no position; the rest of the patch does,
    // so nothing lays it out on opening.
    const std::string text =
        crlf({"HEADM adc P t 2 2 1 g-out adc-null adc-nullobj ;= f= 6,1", "SINE osc 220 0.5 ;=100,40,80,0",
              "GAIN g osc-out 1", "GAIN h g-out 1 ;=0,0,80,0", "TAIL tail"});
    LoadedText loaded = loadText(text);
    SigFile& patch = *loaded.patch;
    EXPECT_FALSE(PatchLayout::standsInOneColumn(patch, SigFile::kDefaultShowMode));
    auto kept = [&patch] {
        std::vector<std::pair<Rect, bool>> all;
        for (const auto& m : patch.listOfModules())
            all.emplace_back(m->rect(), m->isPlaced());
        return all;
    };
    const auto before = kept();
    CanvasLayout layout;
    layout.layOut(patch, patch.head().get());
    Module& g = *patch.findModuleByName("g");
    EXPECT_EQ(layout.box(g), Rect(0, 0, 80, 64)) << "drawn at the origin";
    CanvasLayout(kPins).layOut(patch, patch.head().get());
    EXPECT_EQ(layout.box(g), Rect(0, 0, 80, 64)) << "another view's layout changes nothing of this one";
    EXPECT_TRUE(kept() == before) << "no module holds what a layout found";
    // A position of 0,0 read from the file is kept.
    EXPECT_EQ((std::vector{g.isPlaced(), patch.head()->isPlaced(), patch.findModuleByName("h")->isPlaced()}),
              (std::vector{false, false, true}));
    EXPECT_EQ(patch.dataRepresentation(), text);

    // Every box at one place stands in one column: opening lays that out.
    // A head alone has nothing to lay out.
    for (const auto& m : patch.listOfModules())
        m->moveToPosition(Point{0, 0});
    EXPECT_TRUE(PatchLayout::standsInOneColumn(patch, SigFile::kDefaultShowMode));
    while (patch.moduleCount() > 1)
        patch.removeModuleAtIndex(1);
    EXPECT_FALSE(PatchLayout::standsInOneColumn(patch, SigFile::kDefaultShowMode));
}

TEST(InfoLine, InterfaceModulesShowTheirValueAndRange)
{
    SigFile patch{bundledDbase(), nullptr};
    // Each module with its fields set in turn, the show mode without `hidden`:
    // its line (none: "-") and its range (none: "none").
    const struct {
        const char* op;
        std::vector<std::pair<const char*, const char*>> fields;
        int hidden;
        const char *text, *range;
    } cases[] = {
        {"KNOB", {{"value", "0.25"}}, 0, "Knob: 0.25", "none"}, // a value field: no range
        {"KNOB", {{"value", "0.25"}}, Module::SHOW_INFO, "-", ""},
        {"KNOB", {{"value", "0.25"}, {"menu", "Knob %q"}}, 0, "Invalid format", "none"},
        {"SELECTOR", {{"value2", "Bright"}, {"value", "1"}}, 0, "Mode:Bright", "none"},
        {"SELECTOR", {{"value2", "Bright"}, {"value", "7"}}, 0, "Invalid format", "none"}, // no seventh choice
        {"SLIDER", {{"max in", "10"}}, 0, "Slider  0.0", "0...10"},
        {"SLIDER", {{"max in", "10"}}, Module::SHOW_DEFAULTS, "Slider  0.0", "none"},
        {"GAIN", {}, 0, "-", ""}, // not an interface module
        {"menupage", {{"title", "Chorus"}}, 0, "Chorus", "none"},
    };
    int x = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.op) + " " + c.text);
        x += 100;
        auto added = newModule(c.op, "m" + std::to_string(x), bundledDbase());
        patch.addModule(added);
        Module& m = *added;
        for (const auto& [name, text] : c.fields)
            m.field(name)->setText(text);
        const auto line = InfoLine::infoFor(m, ~int(Module::SHOW_ORDER) & ~c.hidden);
        EXPECT_EQ(line ? line->text : "-", c.text);
        EXPECT_EQ(line ? line->range.value_or("none") : "", c.range);
    }
}

TEST(ModuleGeometry, PinRowsAndHeightsForEachShowMode)
{
    auto db = testDbase();
    auto osc = newModule("OSC", "osc", db);

    EXPECT_EQ(rows(laidOut(*osc, -1)),
              (Rows{{"(rows)", 4}, {"fm", 1}, {"freq", 2}, {"objin", 3}, {"out", -1}, {"mod", -2}, {"obj", -3}}))
        << "signal, then control, then object pins on each side";

    EXPECT_EQ(rows(laidOut(*osc, kPins)), (Rows{{"(rows)", 0}})) << "nothing connected: not drawn";

    auto src = newModule("OSC", "src", db);
    osc->field("fm")->source(src->field("out"), std::nullopt, false);
    auto sink = newModule("FILTER", "sink", db);
    sink->field("cutoff")->source(osc->field("mod"), std::nullopt, false);
    EXPECT_EQ(rows(laidOut(*osc, kPins)), (Rows{{"(rows)", 4}, {"fm", 1}, {"mod", -1}}))
        << "one row on each side still makes four";

    int noSignal = Module::SHOW_CONTROL | Module::SHOW_USEROBJ | Module::SHOW_UNCONNECTED;
    EXPECT_EQ(rows(laidOut(*osc, noSignal)), (Rows{{"(rows)", 4}, {"freq", 1}, {"objin", 2}, {"mod", -1}, {"obj", -2}}))
        << "without signals the control pins move up";

    osc->field("freq")->setHideCount(1);
    osc->field("fm")->setAsAlwaysHidden(true);
    EXPECT_EQ((std::pair{laidOut(*osc, -1).hidden, ModuleGeometry::hiddenCount(*osc)}), (std::pair{2, 2}));
    EXPECT_EQ(rows(laidOut(*osc, -1)), (Rows{{"(rows)", 4}, {"objin", 1}, {"out", -1}, {"mod", -2}, {"obj", -3}}));

    // A module with hidden fields keeps its box even without pins.
    auto lonely = newModule("OSC", "lonely", db);
    lonely->field("level")->setHideCount(2);
    EXPECT_EQ(laidOut(*lonely, kPins).rows, 4);
    EXPECT_EQ(laidOut(*newModule("REMOTER", "r", db), kPins).rows, 4) << "a remoter is drawn without pins";
    auto spread = newModule("SPREAD", "s", db);
    EXPECT_EQ(laidOut(*spread, kPins).rows, 0);

    // Three connected signal outputs and one control output.
    auto trio = mathDbase("TRIO", "TYPE:SIGNAL|NAME:a|CONNECT_TAG:a;TYPE:CONTROL|NAME:k|CONNECT_TAG:k;"
                                  "TYPE:SIGNAL|NAME:b|CONNECT_TAG:b;TYPE:SIGNAL|NAME:c|CONNECT_TAG:c");
    auto t = newModule("TRIO", "t", trio);
    for (const char* n : {"a", "k", "b", "c"})
        t->field(n)->setNumConnects(1);
    t->moveToPosition({10, 20});
    EXPECT_EQ(rows(laidOut(*t, kPins)), (Rows{{"(rows)", 5}, {"a", -1}, {"b", -2}, {"c", -3}, {"k", -4}}));
    EXPECT_EQ(ModuleGeometry::box(*t, 5), Rect(10, 20, 80, 80));

    // Measuring without laying out finds the rows and hidden pins a layout gives.
    for (const auto& m : {osc, src, lonely, spread, t})
        for (int mode : {-1, kPins, int(Module::SHOW_CONTROL), Module::SHOW_SIGNAL | Module::SHOW_UNCONNECTED}) {
            const ModuleGeometry::Measure measured = ModuleGeometry::measure(*m, mode);
            const ModuleGeometry::Laid laid = laidOut(*m, mode);
            EXPECT_EQ((std::pair{measured.rows, measured.hidden}), (std::pair{laid.rows, laid.hidden}))
                << m->instanceName() << " in mode " << mode;
        }
}

TEST(ModuleGeometry, RectsPinsAndHitTests)
{
    Canvas c;
    auto osc = c.add("OSC", "osc", 100, 40);
    c.layOut(-1);
    const CanvasLayout& layout = c.layout;
    EXPECT_EQ(layout.box(*osc), Rect(100, 40, 80, 64));
    EXPECT_EQ(layout.graphicRect(*osc), Rect(100 - 87.0 / 7, 39, 80 + 174.0 / 7, 66));
    EXPECT_EQ(layout.orderCircle(*osc), Rect(120, 52, 40, 40));

    auto pin = [&](const char* name) { return layout.pinRect(*osc->field(name)); };
    EXPECT_EQ((std::vector{pin("fm"), pin("objin"), pin("mod")}),
              (std::vector{pinAt(100, 56), pinAt(100, 88), pinAt(180, 72)}));
    EXPECT_EQ(pin("opstart_name"), Rect(101, 41 + 120.0 / 7, 78, 120.0 / 7));
    EXPECT_EQ(layout.nameRowRect(*osc), pin("opstart_name"));
    EXPECT_EQ(pin("level").size, Size{}) << "no pin, nothing to hit";
    EXPECT_EQ(layout.pinRow(*osc->field("level")), 0);

    // The name row is not a pin; a pin's bottom edge is outside it.
    auto under = [&](double x, double y) { return layout.fieldUnderPoint(*osc, {x, y}); };
    EXPECT_EQ((Module::FieldList{under(100, 56), under(185, 74), under(140, 50), under(100, 56 + 40.0 / 7)}),
              (Module::FieldList{osc->field("fm"), osc->field("mod"), nullptr, nullptr}));
    osc->field("fm")->setAsAlwaysHidden(true);
    EXPECT_EQ(under(100, 56), nullptr);

    osc->moveBy({-100, -40});
    EXPECT_EQ(layout.box(*osc), Rect(0, 0, 80, 64)) << "the box follows the module without a new layout";
    EXPECT_EQ(layout.pinRect(*osc->field("mod")), pinAt(80, 32)) << "pins follow the box";

    osc->setRect(Rect(100.5, 40, 80, 64));
    EXPECT_EQ(layout.orderCircle(*osc), Rect(120, 52, 41, 40)) << "rounded outward";
    c.head->setRect(Rect(300, 300, 80, 64));
    EXPECT_EQ(layout.orderCircle(*c.head), Rect(20, 12, 40, 40)) << "the head's in the corner";
}
