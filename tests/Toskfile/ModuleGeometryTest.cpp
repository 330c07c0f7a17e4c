// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelTestSupport.h"

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/NotificationCenter.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

using Rows = std::map<std::string, int>;

ModuleGeometry::Laid laidOut(const Module& m, int mode)
{
    ModuleGeometry::Laid laid;
    ModuleGeometry::layOut(m, mode, laid);
    return laid;
}

Rows rows(const ModuleGeometry::Laid& laid)
{
    Rows result;
    for (const auto& pin : laid.pins)
        result[pin.field->name()] = pin.row;
    return result;
}
constexpr int kAllKinds = Module::SHOW_CONTROL | Module::SHOW_SIGNAL | Module::SHOW_USEROBJ;

Rect pin(double cx, double cy)
{
    return Rect(cx - 40.0 / 7, cy - 40.0 / 7, 80.0 / 7, 80.0 / 7);
}

} // namespace

TEST(ModuleGeometry, PinRowsAndHeightsForEachShowMode)
{
    auto db = testDbase();
    auto osc = newModule("OSC", "osc", db);

    EXPECT_EQ(laidOut(*osc, -1).rows, 4);
    EXPECT_EQ(rows(laidOut(*osc, -1)),
              (Rows{{"fm", 1}, {"freq", 2}, {"objin", 3}, {"out", -1}, {"mod", -2}, {"obj", -3}}))
        << "signal, then control, then object pins on each side";

    EXPECT_EQ(laidOut(*osc, kAllKinds).rows, 0) << "nothing connected: not drawn";
    EXPECT_TRUE(rows(laidOut(*osc, kAllKinds)).empty());

    auto src = newModule("OSC", "src", db);
    osc->field("fm")->source(src->field("out"), std::nullopt, false);
    auto sink = newModule("FILTER", "sink", db);
    sink->field("cutoff")->source(osc->field("mod"), std::nullopt, false);
    EXPECT_EQ(laidOut(*osc, kAllKinds).rows, 4) << "one row on each side still makes four";
    EXPECT_EQ(rows(laidOut(*osc, kAllKinds)), (Rows{{"fm", 1}, {"mod", -1}}));

    int noSignal = Module::SHOW_CONTROL | Module::SHOW_USEROBJ | Module::SHOW_UNCONNECTED;
    EXPECT_EQ(rows(laidOut(*osc, noSignal)), (Rows{{"freq", 1}, {"objin", 2}, {"mod", -1}, {"obj", -2}}))
        << "without signals the control pins move up";

    osc->field("freq")->setHideCount(1);
    osc->field("fm")->setAsAlwaysHidden(true);
    EXPECT_EQ(laidOut(*osc, -1).hidden, 2);
    EXPECT_EQ(ModuleGeometry::hiddenCount(*osc), 2);
    EXPECT_EQ(rows(laidOut(*osc, -1)), (Rows{{"objin", 1}, {"out", -1}, {"mod", -2}, {"obj", -3}}));

    // A module with hidden fields keeps its box even without pins.
    auto lonely = newModule("OSC", "lonely", db);
    lonely->field("level")->setHideCount(2);
    EXPECT_EQ(laidOut(*lonely, kAllKinds).rows, 4);
    EXPECT_EQ(laidOut(*newModule("REMOTER", "r", db), kAllKinds).rows, 4) << "a remoter is drawn without pins";
    EXPECT_EQ(laidOut(*newModule("SPREAD", "s", db), kAllKinds).rows, 0);

    // Three connected signal outputs and one control output.
    auto trio = dbaseFromText(modelOperator(
        "TRIO", "MATH",
        {SbfEntry{"TYPE:SIGNAL", "NAME:a", "CONNECT_TAG:a"}, SbfEntry{"TYPE:CONTROL", "NAME:k", "CONNECT_TAG:k"},
         SbfEntry{"TYPE:SIGNAL", "NAME:b", "CONNECT_TAG:b"}, SbfEntry{"TYPE:SIGNAL", "NAME:c", "CONNECT_TAG:c"}}));
    auto t = newModule("TRIO", "t", trio);
    for (const char* n : {"a", "k", "b", "c"})
        t->field(n)->setNumConnects(1);
    t->moveToPosition({10, 20});
    EXPECT_EQ(laidOut(*t, kAllKinds).rows, 5);
    EXPECT_EQ(rows(laidOut(*t, kAllKinds)), (Rows{{"a", -1}, {"b", -2}, {"c", -3}, {"k", -4}}));
    EXPECT_EQ(ModuleGeometry::box(*t, 5), Rect(10, 20, 80, 80));
}

TEST(ModuleGeometry, RectsPinsAndHitTests)
{
    auto db = testDbase();
    auto osc = newModule("OSC", "osc", db);
    ModuleList patch;
    patch.addModule(osc);
    CanvasLayout layout(-1);
    osc->moveToPosition({100, 40});
    layout.layOut(patch, nullptr);
    EXPECT_EQ(layout.box(*osc), Rect(100, 40, 80, 64));
    EXPECT_EQ(layout.graphicRect(*osc), Rect(100 - 87.0 / 7, 39, 80 + 174.0 / 7, 66));
    EXPECT_EQ(layout.orderCircle(*osc), Rect(120, 52, 40, 40));

    EXPECT_EQ(layout.pinRect(*osc->field("fm")), pin(100, 56));
    EXPECT_EQ(layout.pinRect(*osc->field("objin")), pin(100, 88));
    EXPECT_EQ(layout.pinRect(*osc->field("mod")), pin(180, 72));
    EXPECT_EQ(layout.pinRow(*osc->field("mod")), -2);
    EXPECT_EQ(layout.pinRect(*osc->field("opstart_name")), Rect(101, 41 + 120.0 / 7, 78, 120.0 / 7));
    EXPECT_EQ(layout.nameRowRect(*osc), Rect(101, 41 + 120.0 / 7, 78, 120.0 / 7));
    EXPECT_EQ(layout.pinRect(*osc->field("level")).size, Size{}) << "no pin, nothing to hit";
    EXPECT_EQ(layout.pinRow(*osc->field("level")), 0);

    EXPECT_EQ(layout.fieldUnderPoint(*osc, {100, 56}), osc->field("fm"));
    EXPECT_EQ(layout.fieldUnderPoint(*osc, {185, 74}), osc->field("mod"));
    EXPECT_EQ(layout.fieldUnderPoint(*osc, {140, 50}), nullptr) << "the name row is not a pin";
    EXPECT_EQ(layout.fieldUnderPoint(*osc, {100, 56 + 40.0 / 7}), nullptr) << "the bottom edge is outside";
    osc->field("fm")->setAsAlwaysHidden(true);
    EXPECT_EQ(layout.fieldUnderPoint(*osc, {100, 56}), nullptr);

    osc->moveBy({-100, -40});
    EXPECT_EQ(layout.box(*osc), Rect(0, 0, 80, 64)) << "the box follows the module without a new layout";
    EXPECT_EQ(layout.pinRect(*osc->field("mod")), pin(80, 32)) << "pins follow the box";

    osc->setRect(Rect(100.5, 40, 80, 64));
    EXPECT_EQ(layout.orderCircle(*osc), Rect(120, 52, 41, 40)) << "rounded outward";
    auto head = newModule("HEADM", "adc", db);
    head->setRect(Rect(300, 300, 80, 64));
    EXPECT_EQ(layout.orderCircle(*head), Rect(20, 12, 40, 40));
}

TEST(ModuleGeometry, MeasuringFindsTheRowsALayoutGives)
{
    auto db = testDbase();
    auto osc = newModule("OSC", "osc", db);
    auto src = newModule("OSC", "src", db);
    osc->field("fm")->source(src->field("out"), std::nullopt, false);
    osc->field("objin")->setHideCount(1);
    auto bare = newModule("SPREAD", "s", db);
    for (const auto& m : {osc, src, bare}) {
        m->moveToPosition({100, 40});
        for (int mode : {-1, kAllKinds, int(Module::SHOW_CONTROL), Module::SHOW_SIGNAL | Module::SHOW_UNCONNECTED}) {
            SCOPED_TRACE(m->instanceName() + " in mode " + std::to_string(mode));
            const ModuleGeometry::Measure measured = ModuleGeometry::measure(*m, mode);
            const ModuleGeometry::Laid laid = laidOut(*m, mode);
            EXPECT_EQ(measured.rows, laid.rows);
            EXPECT_EQ(measured.hidden, laid.hidden);
        }
    }
}
