// SPDX-License-Identifier: GPL-3.0-or-later
// The point tables of the waveform and waveshape editors.
#include "ModelTestSupport.h"

#include "Toskfile/WaveFormObject.h"
#include "Toskfile/WaveObject.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace tosk;
using namespace tosk::test;
using testing::DoubleNear;
using testing::Pointwise;

namespace {

using Values = std::vector<double>;

Values valuesOf(const WaveObject& table)
{
    return Values(table.pointValues().begin(), table.pointValues().end());
}

// Tables with limits the bundled operators do not have: a count n of 1 to
// nMax, points p1... of the type within lo..hi.
std::shared_ptr<SigDbase> oddTables()
{
    auto table = [](std::string name, std::string nMax, std::string n, std::string type, std::string lo, std::string hi,
                    std::string p) {
        return modelOperator(
            name, "MATH",
            {{"TYPE:ED_INT", "NAME:n", "MINIMUM:1", "MAXIMUM:" + nMax, "DEFAULT:" + n},
             {"TYPE:MULTIPLE", "NAME:g", "ACTION_SPECIFIER:@n"},
             {"TYPE:" + type, "NAME:p~n", "DESCRIPTION:p", "MINIMUM:" + lo, "MAXIMUM:" + hi, "DEFAULT:" + p},
             {"TYPE:MULTIPLEEND", "NAME:gend"}});
    };
    LogCapture quiet;
    return dbaseFromText(table("HALF", "4", "2", "ED_FLOAT", "-0.5", "0.5", "0") +
                         table("ODDMAX", "4.5", "3", "ED_FLOAT", "3", "3", "3") +
                         table("WRONGWAY", "4", "2", "ED_FLOAT", "1", "-1", "0") +
                         table("STEPS", "8", "4", "ED_INT", "0", "10", "0"));
}

std::string saved(const Module& m)
{
    std::string line;
    m.save(line, "", Module::SAVE_NO_INFO);
    return line;
}

} // namespace

TEST(WaveObject, GeneratorsAndFlips)
{
    auto db = bundledDbase();
    struct Case {
        const char* record;
        std::function<void(WaveObject&)> run;
        Values expected;
    };
    const Case cases[] = {
        {"M_CURVE m 0 4 0 0 0 0", [](WaveObject& w) { w.setPointsToSineWave(); }, {0, 1, 0, -1}},
        {"M_UCURVE m 0 5 0 0 0 0 0", [](WaveObject& w) { w.setPointsToTriangleWave(); }, {0, 0.5, 1, 0.5, 0}},
        {"M_UCURVE m 0 4 0 0 0 0", [](WaveObject& w) { w.setPointsToTriangleWave(); }, {0, 0.5, 0.5, 0}},
        {"M_CURVE m 0 5 0 0 0 0 0", [](WaveObject& w) { w.setPointsToSquareWave(); }, {-1, -1, 1, 1, 1}},
        {"M_UCURVE m 0 5 0 0 0 0 0", [](WaveObject& w) { w.setPointsToSawToothWave(); }, {0, 0.25, 0.5, 0.75, 1}},
        {"MULTITAP t x-out 4 10 0.5 20 0.5 30 0.5 40 0.5 0",
         [](WaveObject& w) { w.setPointsToSawToothWave(); },
         {0, 2000.0 / 3, 4000.0 / 3, 2000}},
        {"MULTIKNOB k 0 3 0.25 0.5 0.75", [](WaveObject& w) { w.setPointsToZero(); }, {0, 0, 0}},
        {"M_CURVE m 0 4 0.1 0.2 0.3 0.4", [](WaveObject& w) { w.reversePoints(); }, {0.4, 0.3, 0.2, 0.1}},
        {"M_CURVE m 0 5 0.1 0.2 0.3 0.4 0.5", [](WaveObject& w) { w.reversePoints(); }, {0.5, 0.4, 0.3, 0.2, 0.1}},
        {"C_CURVE c 0 3 0.25 0.5 1", [](WaveObject& w) { w.invertPoints(); }, {0.75, 0.5, 0}},
        {"M_CURVE m 0 3 0.5 0 -1", [](WaveObject& w) { w.invertPoints(); }, {-0.5, 0, 1}},
        // Soft clip over the whole range: x - x^3/3, then boosted by bias.
        {"CURVE s x-out 3 0 0 0", [](WaveObject& w) { w.setPointsToClipWave(2.0 / 3, 0); }, {-2.0 / 3, 0, 2.0 / 3}},
        {"CURVE s x-out 3 0 0 0", [](WaveObject& w) { w.setPointsToClipWave(2.0 / 3, 0.1); }, {-1, 0, 1}},
        {"C_CURVE c 0 3 0 0 0", [](WaveObject& w) { w.setPointsToClipWave(2.0 / 3, 0); }, {1.0 / 6, 0.5, 5.0 / 6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        auto table = WaveObject::tableForModule(readModule(c.record, db));
        ASSERT_TRUE(table);
        EXPECT_FALSE(table->isEdited());
        c.run(*table);
        EXPECT_THAT(valuesOf(*table), Pointwise(DoubleNear(1e-6), c.expected));
        EXPECT_TRUE(table->isEdited());
    }

    auto wave = WaveObject::tableForModule(newModule("WAVEFORM", "w", db));
    ASSERT_TRUE(wave);
    wave->setPointsToSineWave();
    ASSERT_EQ(wave->numberOfPoints(), 32);
    EXPECT_NEAR(wave->valueForPoint(8), 1, 1e-12);
    EXPECT_NEAR(wave->valueForPoint(24), -1, 1e-12);
    EXPECT_NEAR(wave->valueForPoint(4), std::sqrt(0.5), 1e-12);
}

TEST(WaveObject, RandomValuesStayWithinTheLimitsAndFollowTheSeed)
{
    auto db = bundledDbase();
    struct Case {
        Module::Ptr module;
        double lo, hi;
    };
    const Case cases[] = {
        {newModule("M_CURVE", "m", db), -1, 1},
        {newModule("MULTITAP2", "t", db), 0, 4000},
        {readModule("ODDMAX o 3 3 3 3", oddTables()), 3, 3}, // no range at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.module->name());
        auto a = WaveObject::tableForModule(c.module);
        if (!a)
            a = std::make_unique<WaveObject>(c.module, "p~n", "n");
        WaveObject b(c.module, a->pointName(), a->iterationName());
        a->setPointsToRandomWave(7);
        b.setPointsToRandomWave(7);
        EXPECT_EQ(valuesOf(*a), valuesOf(b));
        for (double v : valuesOf(*a)) {
            EXPECT_GE(v, c.lo);
            EXPECT_LE(v, c.hi);
        }
        b.setPointsToRandomWave(8);
        if (c.hi > c.lo) {
            EXPECT_NE(valuesOf(*a), valuesOf(b));
        }
    }
}

TEST(WaveObject, CountsAndLimitsAsReadFromTheModule)
{
    auto db = bundledDbase();
    auto odd = oddTables();
    struct Case {
        Module::Ptr module;
        int count, minimum, maximum;
        double lo, hi;
        bool canAdd, canRemove, fixed;
        Values values;
    };
    const Values six{0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
    const Case cases[] = {
        {newModule("WAVEFORM", "w", db), 32, 32, 32, -1, 1, false, false, true, Values(32, 0.0)},
        {readModule("C_CURVE c 0 3 0.25 0.5 1", db), 3, 2, 32, 0, 1, true, true, false, {0.25, 0.5, 1}},
        {readModule("C_CURVE c 0 2 0.25 0.5", db), 2, 2, 32, 0, 1, true, false, false, {0.25, 0.5}},
        {readModule("MULTITAP t x-out 2 10 0.5 2.5 0.5 0", db), 2, 1, 8, 0, 2000, true, true, false, {10, 2.5}},
        {readModule("MULTIKNOB k 0 2 0.125 abc", db), 2, 2, 16, 0, 1, true, false, false, {0.125, 0}},
        // A file may hold more points than the maximum; they are all kept.
        {readModule("HALF h 6 0.1 0.2 0.3 0.4 0.5 0.6", odd), 6, 1, 4, -1, 1, false, true, false, six},
        // A maximum that is not an integer: nothing can be added.
        {readModule("ODDMAX o 2 3 3", odd), 2, 1, 0, 3, 3, false, true, false, {3, 3}},
        // A count that is not an integer: the points there are, fixed.
        {readModule("HALF h 3.0 0.1 0.2 0.3", odd), 3, 1, 4, -1, 1, false, false, false, {0.1, 0.2, 0.3}},
        // No point fields at all: an empty table.
        {readModule("HALF h 0", odd), 0, 0, 0, -1, 1, false, false, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(saved(*c.module));
        auto table = WaveObject::tableForModule(c.module);
        if (!table)
            table = std::make_unique<WaveObject>(c.module, "p~n", "n");
        EXPECT_EQ(table->numberOfPoints(), c.count);
        EXPECT_EQ(table->minimumNumberOfPoints(), c.minimum);
        EXPECT_EQ(table->maximumNumberOfPoints(), c.maximum);
        EXPECT_EQ(table->minimumPointValue(), c.lo);
        EXPECT_EQ(table->maximumPointValue(), c.hi);
        EXPECT_EQ(table->canIncreasePoints(), c.canAdd);
        EXPECT_EQ(table->canDecreasePoints(), c.canRemove);
        EXPECT_EQ(table->hasFixedNumberOfPoints(), c.fixed);
        EXPECT_THAT(valuesOf(*table), Pointwise(DoubleNear(1e-7), c.values));
        EXPECT_EQ(table->increasePoints(), c.canAdd);
        EXPECT_EQ(table->numberOfPoints(), c.count + (c.canAdd ? 1 : 0));
        // Reading is all it did: nothing to write back.
        table->resetPoints();
        EXPECT_TRUE(table->writeBack().empty());
    }
    // "0.5" is no integer limit: the table takes the defaults, the fields
    // keep their own.
    WaveObject half(readModule("HALF h 2 0 0", odd), "p~n", "n");
    EXPECT_EQ(half.minimumPointValue(), -1);
    EXPECT_EQ(half.maximumPointValue(), 1);
}

TEST(WaveObject, AddingAndRemovingPoints)
{
    auto db = bundledDbase();
    auto table = WaveObject::tableForModule(readModule("C_CURVE c 0 3 0.25 0.5 1", db));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->valueForPoint(3), 0);
    EXPECT_EQ(table->valueForPoint(-1), 0);
    EXPECT_EQ(table->valueForPoint(32), 0);
    table->setValue(0.75, 3);
    table->setValue(0.75, 32);
    table->setValue(std::nan(""), 0);
    EXPECT_EQ(valuesOf(*table), (Values{0.25, 0.5, 1}));

    ASSERT_TRUE(table->decreasePoints());
    EXPECT_FALSE(table->decreasePoints()) << "the minimum is 2";
    ASSERT_TRUE(table->increasePoints());
    EXPECT_EQ(valuesOf(*table), (Values{0.25, 0.5, 0})) << "a point removed and added again starts at 0";
    while (table->increasePoints()) {
    }
    EXPECT_EQ(table->numberOfPoints(), 32);
    EXPECT_EQ(table->valueForPoint(3), 0);
    table->resetPoints();
    EXPECT_EQ(valuesOf(*table), (Values{0.25, 0.5, 1}));
    EXPECT_FALSE(table->isEdited());
}

TEST(WaveObject, WritingBackFollowsTheModuleAsItIsNow)
{
    auto db = bundledDbase();
    // A point added elsewhere while the table had one added here: both stay.
    auto m = readModule("M_CURVE m 0 4 0.1 0.2 0.3 0.4", db);
    auto table = WaveObject::tableForModule(m);
    table->increasePoints();
    m->addIteratedField(*m->field("point4"), nullptr);
    WaveWriteBack plan = table->writeBack();
    EXPECT_EQ(plan.repetitionChange, 1);
    EXPECT_EQ(plan.lastPointName, "point5");

    // Points removed elsewhere: removing here never goes below the minimum.
    m = readModule("M_CURVE m 0 4 0.1 0.2 0.3 0.4", db);
    table = WaveObject::tableForModule(m);
    table->decreasePoints();
    table->decreasePoints();
    m->deleteIteratedField(*m->field("point4"));
    plan = table->writeBack();
    EXPECT_EQ(plan.repetitionChange, -1);
    EXPECT_EQ(plan.removedPointNames, Names{"point3"});

    // Only the points changed here are written: one changed elsewhere keeps
    // its text; one changed both here and there is a conflict, which
    // keepModuleValues() settles for the module, limits and all.
    m = readModule("M_CURVE m 0 4 0.1 0.2 0.3 0.4", db);
    table = WaveObject::tableForModule(m);
    table->setValue(0.5, 0);
    table->setValue(3, 2);
    table->setValue(0.9, 3);
    table->setValue(0.4, 3); // and back
    m->field("point2")->setText("0.9");
    m->field("point3")->setText("0.8");
    plan = table->writeBack();
    EXPECT_EQ(plan.values, (std::vector<WaveWriteBack::Value>{{"point1", "0.5"}, {"point3", "1"}}));
    EXPECT_EQ(plan.conflicts, (std::vector<WaveWriteBack::Conflict>{{"point3", "1", "0.8"}}));
    EXPECT_EQ(plan.limited, (std::vector<WaveWriteBack::Limited>{{"point3", "3", "1"}}));
    plan.keepModuleValues();
    EXPECT_EQ(plan.values, (std::vector<WaveWriteBack::Value>{{"point1", "0.5"}}));
    EXPECT_TRUE(plan.conflicts.empty());
    EXPECT_TRUE(plan.limited.empty());
    // Changed elsewhere to what the table has: nothing to write, nothing to ask.
    m->field("point1")->setText("0.5");
    m->field("point3")->setText("1");
    plan = table->writeBack();
    EXPECT_TRUE(plan.empty());
    EXPECT_TRUE(plan.conflicts.empty());

    // A count whose last point field does not exist, or that is not an
    // integer: the repetitions stay, the existing points are written.
    for (const char* count : {"0", "7", "abc", "5.5"}) {
        SCOPED_TRACE(count);
        m = readModule("M_CURVE m 0 4 0.1 0.2 0.3 0.4", db);
        table = WaveObject::tableForModule(m);
        table->increasePoints();
        table->setValue(0.5, 0);
        table->setValue(0.9, 4);
        m->field("npoints")->setText(count);
        plan = table->writeBack();
        EXPECT_EQ(plan.repetitionChange, 0);
        EXPECT_EQ(plan.values, (std::vector<WaveWriteBack::Value>{{"point1", "0.5"}}));
    }
}

TEST(WaveObject, WrittenValuesKeepToTheirFieldsLimits)
{
    auto db = bundledDbase();
    auto odd = oddTables();
    using Edit = std::function<void(WaveObject&)>;
    using Limited = std::vector<WaveWriteBack::Limited>;
    struct Case {
        Module::Ptr module;
        Edit edit;
        std::vector<WaveWriteBack::Value> values;
        Limited limited;
    };
    const Edit sine = [](WaveObject& w) { w.setPointsToSineWave(); };
    const Edit pastBoth = [](WaveObject& w) { w.setValue(2500, 0), w.setValue(-3, 1); };
    const Edit added = [](WaveObject& w) { w.increasePoints(), w.setValue(0.75, 2); };
    const std::vector<WaveWriteBack::Value> delays{{"obj1_delay", "2000"}, {"obj2_delay", "0"}};
    const Case cases[] = {
        {readModule("MULTITAP t x-out 2 10 0.5 20 0.5 0", db), pastBoth, delays,
         Limited{{"obj1_delay", "2500", "2000"}, {"obj2_delay", "-3", "0"}}},
        // The table runs from -1 to 1, the fields only from -0.5 to 0.5.
        {readModule("HALF h 4 0 0 0 0", odd),
         sine,
         {{"p2", "0.5"}, {"p4", "-0.5"}},
         Limited{{"p2", "1", "0.5"}, {"p4", "-1", "-0.5"}}},
        {readModule("HALF h 2 0 0", odd), added, {{"p3", "0.5"}}, Limited{{"p3", "0.75", "0.5"}}},
        // Limits of one value: that value.
        {readModule("ODDMAX o 3 2 3 3", odd),
         [](WaveObject& w) { w.setValue(5, 0); },
         {{"p1", "3"}},
         Limited{{"p1", "5", "3"}}},
        // No value fits limits the wrong way round: it is left out.
        {readModule("WRONGWAY w 2 0 0", odd),
         [](WaveObject& w) { w.setValue(0.5, 0); },
         {},
         Limited{{"p1", "0.5", ""}}},
        // Integer fields take whole numbers.
        {readModule("STEPS s 4 0 0 0 0", odd), sine, {{"p1", "5"}, {"p2", "10"}, {"p3", "5"}}, {}},
        {readModule("STEPS s 2 0 0", odd), [](WaveObject& w) { w.setValue(3.6, 1); }, {{"p2", "4"}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(saved(*c.module));
        WaveObject table(c.module, c.module->name() == "MULTITAP" ? "obj~n_delay" : "p~n",
                         c.module->name() == "MULTITAP" ? "taps" : "n");
        c.edit(table);
        WaveWriteBack plan = table.writeBack();
        EXPECT_EQ(plan.values, c.values);
        EXPECT_EQ(plan.limited, c.limited);
        // Every point field has the first one's limits (an added one is not there yet).
        for (const auto& v : plan.values) {
            std::string message;
            EXPECT_TRUE(c.module->field(table.pointNameFor(0))->isValueValid(v.text, message)) << message;
        }
    }
}
