// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelTestSupport.h"

#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/NotificationCenter.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

std::map<std::string, int> rows(const Module& m)
{
    std::map<std::string, int> result;
    for (const auto& f : m.fieldArray())
        if (f->gpos() != 0)
            result[f->name()] = f->gpos();
    return result;
}

using Rows = std::map<std::string, int>;
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

    EXPECT_EQ(osc->update(-1), 4);
    EXPECT_EQ(rows(*osc), (Rows{{"fm", 1}, {"freq", 2}, {"objin", 3}, {"out", -1}, {"mod", -2}, {"obj", -3}}))
        << "signal, then control, then object pins on each side";

    EXPECT_EQ(osc->update(kAllKinds), 0) << "nothing connected: not drawn";
    EXPECT_TRUE(rows(*osc).empty());
    EXPECT_EQ(osc->rect().size.height, 0);

    auto src = newModule("OSC", "src", db);
    osc->field("fm")->source(src->field("out"), std::nullopt, false);
    auto sink = newModule("FILTER", "sink", db);
    sink->field("cutoff")->source(osc->field("mod"), std::nullopt, false);
    EXPECT_EQ(osc->update(kAllKinds), 4) << "one row on each side still makes four";
    EXPECT_EQ(rows(*osc), (Rows{{"fm", 1}, {"mod", -1}}));

    int noSignal = Module::SHOW_CONTROL | Module::SHOW_USEROBJ | Module::SHOW_UNCONNECTED;
    osc->update(noSignal);
    EXPECT_EQ(rows(*osc), (Rows{{"freq", 1}, {"objin", 2}, {"mod", -1}, {"obj", -2}}))
        << "without signals the control pins move up";

    osc->field("freq")->setHideCount(1);
    osc->field("fm")->setAsAlwaysHidden(true);
    osc->update(-1);
    EXPECT_EQ(ModuleGeometry::hiddenCount(*osc), 2);
    EXPECT_EQ(rows(*osc), (Rows{{"objin", 1}, {"out", -1}, {"mod", -2}, {"obj", -3}}));

    // A module with hidden fields keeps its box even without pins.
    auto lonely = newModule("OSC", "lonely", db);
    lonely->field("level")->setHideCount(2);
    EXPECT_EQ(lonely->update(kAllKinds), 4);
    EXPECT_EQ(newModule("REMOTER", "r", db)->update(kAllKinds), 4) << "a remoter is drawn without pins";
    EXPECT_EQ(newModule("SPREAD", "s", db)->update(kAllKinds), 0);

    // Three connected signal outputs and one control output.
    auto trio = dbaseFromText(modelOperator(
        "TRIO", "MATH",
        {SbfEntry{"TYPE:SIGNAL", "NAME:a", "CONNECT_TAG:a"}, SbfEntry{"TYPE:CONTROL", "NAME:k", "CONNECT_TAG:k"},
         SbfEntry{"TYPE:SIGNAL", "NAME:b", "CONNECT_TAG:b"}, SbfEntry{"TYPE:SIGNAL", "NAME:c", "CONNECT_TAG:c"}}));
    auto t = newModule("TRIO", "t", trio);
    for (const char* n : {"a", "k", "b", "c"})
        t->field(n)->setNumConnects(1);
    t->moveToPosition({10, 20});
    EXPECT_EQ(t->update(kAllKinds), 5);
    EXPECT_EQ(rows(*t), (Rows{{"a", -1}, {"b", -2}, {"c", -3}, {"k", -4}}));
    EXPECT_EQ(t->rect(), Rect(10, 20, 80, 80));
}

TEST(ModuleGeometry, RectsPinsAndHitTests)
{
    auto db = testDbase();
    auto osc = newModule("OSC", "osc", db);
    osc->update(-1);
    osc->moveToPosition({100, 40});
    EXPECT_EQ(osc->rect(), Rect(100, 40, 80, 64));
    EXPECT_EQ(osc->graphicRect(), Rect(100 - 87.0 / 7, 39, 80 + 174.0 / 7, 66));
    EXPECT_EQ(osc->orderCircle(), Rect(120, 52, 40, 40));

    EXPECT_EQ(osc->field("fm")->rect(), pin(100, 56));
    EXPECT_EQ(osc->field("objin")->rect(), pin(100, 88));
    EXPECT_EQ(osc->field("mod")->rect(), pin(180, 72));
    auto name = osc->field("opstart_name");
    EXPECT_EQ(name->rect(), Rect(101, 41 + 120.0 / 7, 78, 120.0 / 7));
    EXPECT_EQ(name->flags(), ModuleField::FLAG_NAME_ROW);
    EXPECT_EQ(osc->field("level")->rect().size, Size{}) << "no pin, nothing to hit";

    EXPECT_EQ(osc->fieldUnderPoint({100, 56}), osc->field("fm"));
    EXPECT_EQ(osc->fieldUnderPoint({185, 74}), osc->field("mod"));
    EXPECT_EQ(osc->fieldUnderPoint({140, 50}), nullptr) << "the name row is not a pin";
    EXPECT_EQ(osc->fieldUnderPoint({100, 56 + 40.0 / 7}), nullptr) << "the bottom edge is outside";
    osc->field("fm")->setAsAlwaysHidden(true);
    EXPECT_EQ(osc->fieldUnderPoint({100, 56}), nullptr);

    osc->moveBy({-100, -40});
    EXPECT_EQ(osc->rect(), Rect(0, 0, 80, 64));
    EXPECT_EQ(osc->field("mod")->rect(), pin(80, 32)) << "pins follow the box";

    osc->setRect(Rect(100.5, 40, 80, 64));
    EXPECT_EQ(osc->orderCircle(), Rect(120, 52, 41, 40)) << "rounded outward";
    auto head = newModule("HEADM", "adc", db);
    head->setRect(Rect(300, 300, 80, 64));
    EXPECT_EQ(head->orderCircle(), Rect(20, 12, 40, 40));
}

TEST(ModuleGeometry, MeasuringFindsTheRowsALayoutGivesAndLeavesTheModuleAlone)
{
    auto db = testDbase();
    auto osc = newModule("OSC", "osc", db);
    auto src = newModule("OSC", "src", db);
    osc->field("fm")->source(src->field("out"), std::nullopt, false);
    osc->field("objin")->setHideCount(1);
    auto bare = newModule("SPREAD", "s", db);
    for (const auto& m : {osc, src, bare}) {
        m->moveToPosition({100, 40});
        m->update(-1);
        for (int mode : {-1, kAllKinds, int(Module::SHOW_CONTROL), Module::SHOW_SIGNAL | Module::SHOW_UNCONNECTED}) {
            SCOPED_TRACE(m->instanceName() + " in mode " + std::to_string(mode));
            const Rect box = m->rect();
            const Rows pins = rows(*m);
            const ModuleGeometry::Measure measured = ModuleGeometry::measure(*m, mode);
            EXPECT_EQ(m->rect(), box);
            EXPECT_EQ(rows(*m), pins);
            EXPECT_EQ(measured.rows, m->update(mode));
            EXPECT_EQ(measured.hidden, ModuleGeometry::hiddenCount(*m));
            EXPECT_EQ(ModuleGeometry::box(*m, measured.rows), m->rect());
            m->update(-1);
        }
    }
}
