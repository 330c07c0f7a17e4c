// SPDX-License-Identifier: GPL-3.0-or-later
// The point tables of the waveform and waveshape editors, written back
// through the edit layer, their Chebyshev shapes and harmonic controls, the
// editors' texts and the geometry of the view the tables are drawn in.
#include "EditTestSupport.h"
#include "ModelTestSupport.h"

#include "Toskfile/ChebyshevWaveshape.h"
#include "Toskfile/UndoGroup.h"
#include "Toskfile/WaveEditorText.h"
#include "Toskfile/WaveHarmonics.h"
#include "Toskfile/WaveObject.h"
#include "Toskfile/WaveformGeometry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <numeric>

using namespace tosk;
using namespace tosk::test;
using testing::DoubleNear;
using testing::Pointwise;

namespace {

using Values = std::vector<double>;
using Written = std::vector<WaveWriteBack::Value>;
using Limited = std::vector<WaveWriteBack::Limited>;

Values valuesOf(std::span<const double> values)
{
    return Values(values.begin(), values.end());
}

Values valuesOf(const WaveObject& table)
{
    return valuesOf(table.pointValues());
}

// f of each input, to compare as one list.
template <typename In, typename F> auto mapped(std::initializer_list<In> inputs, F f)
{
    std::vector<decltype(f(*inputs.begin()))> out;
    for (const In& in : inputs)
        out.push_back(f(in));
    return out;
}

// A plan as one value to compare.
auto fields(const WaveWriteBack& p)
{
    return std::tie(p.repetitionChange, p.lastPointName, p.removedPointNames, p.values, p.conflicts, p.limited);
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

std::unique_ptr<WaveObject> curve(int points)
{
    std::string record = "CURVE s x-out " + std::to_string(points);
    for (int i = 0; i < points; ++i)
        record += " 0";
    return WaveObject::tableForModule(readModule(record, bundledDbase()));
}

Values curveOf(const ChebyshevWaveshape& shape)
{
    Values out;
    for (uint32_t i = 0; i < shape.numberOfPoints(); ++i)
        out.push_back(shape.evaluate(i));
    return out;
}

// The series at each of np points.
Values series(const Values& coefficients, int np)
{
    Values out;
    for (int i = 0; i < np; ++i)
        out.push_back(chebyshevEvaluate(coefficients, np, i));
    return out;
}

// A point of a stroke: the same index, the same value to 1e-12.
MATCHER(SamePoint, "")
{
    const auto& [actual, expected] = arg;
    return actual.first == expected.first && std::abs(actual.second - expected.second) < 1e-12;
}

std::string wavePatch()
{
    return crlf({"HEADM adc Waves t 2 2 1 mt-out adc-null adc-nullobj ;=20,40,80,0",
                 "C_CURVE cc adc-in1 4 0 0.3 0.7 1 ;=140,40,80,0", "MULTIKNOB mk cc-out 3 0.2 0.5 0.8 ;=140,140,80,0",
                 "MULTITAP mt adc-in1 3 120 mk-out 250 0.4 480 cc-out 0.5 ;=260,40,80,0",
                 "WAVEFORM wf 32 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ;=260,140,80,0",
                 "M_CURVE m 0 6 0.1 0.2 0.3 0.4 0.5 0.6 ;=380,140,80,0", "TAIL Ann"});
}

using Plan = std::function<WaveWriteBack(WaveObject&)>;

// The table's own plan after `added` points (below 0: removed) and `edit`.
Plan edited(int added, std::function<void(WaveObject&)> edit)
{
    return [=](WaveObject& w) {
        for (int k = 0; k < std::abs(added); ++k)
            EXPECT_TRUE(added > 0 ? w.increasePoints() : w.decreasePoints());
        edit(w);
        return w.writeBack();
    };
}

Plan given(WaveWriteBack plan)
{
    return [=](WaveObject&) { return plan; };
}

} // namespace

TEST(WaveObject, GeneratorsAndFlips)
{
    auto db = bundledDbase();
    const double r = std::sqrt(0.5);
    const std::tuple<const char*, std::function<void(WaveObject&)>, Values> cases[] = {
        {"M_CURVE m 0 8 0 0 0 0 0 0 0 0", &WaveObject::setPointsToSineWave, {0, r, 1, r, 0, -r, -1, -r}},
        {"M_UCURVE m 0 4 0 0 0 0", &WaveObject::setPointsToSineWave, {0.5, 1, 0.5, 0}},
        {"M_UCURVE m 0 5 0 0 0 0 0", &WaveObject::setPointsToTriangleWave, {0, 0.5, 1, 0.5, 0}},
        {"M_UCURVE m 0 4 0 0 0 0", &WaveObject::setPointsToTriangleWave, {0, 0.5, 0.5, 0}},
        {"M_CURVE m 0 5 0 0 0 0 0", &WaveObject::setPointsToSquareWave, {-1, -1, 1, 1, 1}},
        {"M_UCURVE m 0 5 0 0 0 0 0", &WaveObject::setPointsToSawToothWave, {0, 0.25, 0.5, 0.75, 1}},
        {"MULTIKNOB k 0 3 0.25 0.5 0.75", &WaveObject::setPointsToZero, {0, 0, 0}},
        {"M_CURVE m 0 4 0.1 0.2 0.3 0.4", &WaveObject::reversePoints, {0.4, 0.3, 0.2, 0.1}},
        {"C_CURVE c 0 3 0.25 0.5 1", &WaveObject::invertPoints, {0.75, 0.5, 0}},
        {"M_CURVE m 0 3 0.5 0 -1", &WaveObject::invertPoints, {-0.5, 0, 1}},
        // Soft clip over the whole range: x - x^3/3, then boosted by bias.
        {"CURVE s x-out 3 0 0 0", [](WaveObject& w) { w.setPointsToClipWave(2.0 / 3, 0); }, {-2.0 / 3, 0, 2.0 / 3}},
        {"CURVE s x-out 3 0 0 0", [](WaveObject& w) { w.setPointsToClipWave(2.0 / 3, 0.1); }, {-1, 0, 1}},
        {"C_CURVE c 0 3 0 0 0", [](WaveObject& w) { w.setPointsToClipWave(2.0 / 3, 0); }, {1.0 / 6, 0.5, 5.0 / 6}},
    };
    for (const auto& [record, run, expected] : cases) {
        SCOPED_TRACE(record);
        auto table = WaveObject::tableForModule(readModule(record, db));
        ASSERT_TRUE(table);
        EXPECT_FALSE(table->isEdited());
        run(*table);
        EXPECT_THAT(valuesOf(*table), Pointwise(DoubleNear(1e-6), expected));
        EXPECT_TRUE(table->isEdited());
    }
}

TEST(WaveObject, CountsLimitsAndRandomValuesAsReadFromTheModule)
{
    auto db = bundledDbase();
    auto odd = oddTables();
    const Values six{0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
    // The module; its count, limits, whether points can be added or removed
    // or the count is fixed; its values.
    const std::tuple<Module::Ptr, int, double, double, bool, bool, bool, Values> cases[] = {
        {newModule("WAVEFORM", "w", db), 32, -1, 1, false, false, true, Values(32, 0.0)},
        {readModule("C_CURVE c 0 3 0.25 0.5 1", db), 3, 0, 1, true, true, false, {0.25, 0.5, 1}},
        {readModule("C_CURVE c 0 2 0.25 0.5", db), 2, 0, 1, true, false, false, {0.25, 0.5}},
        {readModule("MULTITAP t x-out 2 10 0.5 2.5 0.5 0", db), 2, 0, 2000, true, true, false, {10, 2.5}},
        {readModule("MULTIKNOB k 0 2 0.125 abc", db), 2, 0, 1, true, false, false, {0.125, 0}},
        // A file may hold more points than the maximum; they are all kept.
        // "0.5" is no integer limit: the table takes -1..1, the fields keep
        // their own.
        {readModule("HALF h 6 0.1 0.2 0.3 0.4 0.5 0.6", odd), 6, -1, 1, false, true, false, six},
        // A maximum that is not an integer: nothing can be added.
        {readModule("ODDMAX o 2 3 3", odd), 2, 3, 3, false, true, false, {3, 3}},
        // A count that is not an integer: the points there are, fixed.
        {readModule("HALF h 3.0 0.1 0.2 0.3", odd), 3, -1, 1, false, false, false, {0.1, 0.2, 0.3}},
        // No point fields at all: an empty table.
        {readModule("HALF h 0", odd), 0, -1, 1, false, false, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const auto& [module, count, lo, hi, canAdd, canRemove, fixed, values] = c;
        auto table = WaveObject::tableForModule(module);
        if (!table)
            table = std::make_unique<WaveObject>(module, "p~n", "n");
        EXPECT_EQ(std::tuple(table->numberOfPoints(), table->minimumPointValue(), table->maximumPointValue(),
                             table->canDecreasePoints(), table->hasFixedNumberOfPoints()),
                  std::tuple(count, lo, hi, canRemove, fixed));
        EXPECT_THAT(valuesOf(*table), Pointwise(DoubleNear(1e-7), values));
        EXPECT_EQ(table->increasePoints(), canAdd);
        EXPECT_EQ(table->numberOfPoints(), count + (canAdd ? 1 : 0));
        // Reading is all it did: nothing to write back.
        table->resetPoints();
        EXPECT_TRUE(table->writeBack().empty());
        // Random values keep to the limits and follow the seed; with no range
        // at all every seed gives the same.
        WaveObject other(module, table->pointName(), table->iterationName());
        table->setPointsToRandomWave(7), other.setPointsToRandomWave(7);
        EXPECT_EQ(valuesOf(*table), valuesOf(other));
        EXPECT_THAT(valuesOf(*table), testing::Each(testing::AllOf(testing::Ge(lo), testing::Le(hi))));
        other.setPointsToRandomWave(8);
        EXPECT_EQ(valuesOf(*table) != valuesOf(other), hi > lo && count > 0) << "another seed";
    }
}

TEST(WaveObject, AddingAndRemovingPoints)
{
    auto db = bundledDbase();
    auto table = WaveObject::tableForModule(readModule("C_CURVE c 0 3 0.25 0.5 1", db));
    ASSERT_TRUE(table);
    for (int outside : {3, -1, 32}) {
        EXPECT_EQ(table->valueForPoint(outside), 0);
        table->setValue(0.75, outside);
    }
    table->setValue(std::nan(""), 0);
    EXPECT_EQ(valuesOf(*table), (Values{0.25, 0.5, 1}));

    ASSERT_TRUE(table->decreasePoints());
    ASSERT_TRUE(table->increasePoints());
    EXPECT_EQ(valuesOf(*table), (Values{0.25, 0.5, 0})) << "a point removed and added again starts at 0";
    while (table->increasePoints()) {
    }
    EXPECT_EQ(valuesOf(*table), (Values{0.25, 0.5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        0,    0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    table->resetPoints();
    EXPECT_EQ(valuesOf(*table), (Values{0.25, 0.5, 1}));
    EXPECT_FALSE(table->isEdited());
}

TEST(WaveObject, WritingBackFollowsTheModuleAsItIsNow)
{
    Module::Ptr m;
    std::unique_ptr<WaveObject> table;
    auto fresh = [&] {
        m = readModule("M_CURVE m 0 4 0.1 0.2 0.3 0.4", bundledDbase()), table = WaveObject::tableForModule(m);
    };
    // A point added elsewhere while the table had one added here: both stay.
    fresh();
    table->increasePoints();
    m->addIteratedField(*m->field("point4"), nullptr);
    EXPECT_EQ(fields(table->writeBack()), fields({1, "point5", {}, {}, {}, {}}));

    // Points removed elsewhere: removing here never goes below the minimum.
    fresh();
    table->decreasePoints(), table->decreasePoints();
    m->deleteIteratedField(*m->field("point4"));
    EXPECT_EQ(fields(table->writeBack()), fields({-1, "point3", {"point3"}, {}, {}, {}}));

    // Only the points changed here are written: one changed elsewhere keeps
    // its text; one changed both here and there is a conflict, which
    // keepModuleValues() settles for the module, limits and all. 0.9 on
    // point 4 is changed back.
    fresh();
    table->setValue(0.5, 0), table->setValue(3, 2), table->setValue(0.9, 3), table->setValue(0.4, 3);
    m->field("point2")->setText("0.9");
    m->field("point3")->setText("0.8");
    WaveWriteBack plan = table->writeBack();
    EXPECT_EQ(
        fields(plan),
        fields({0, "", {}, {{"point1", "0.5"}, {"point3", "1"}}, {{"point3", "1", "0.8"}}, {{"point3", "3", "1"}}}));
    plan.keepModuleValues();
    EXPECT_EQ(fields(plan), fields({0, "", {}, {{"point1", "0.5"}}, {}, {}}));
    // Changed elsewhere to what the table has: nothing to write, nothing to ask.
    m->field("point1")->setText("0.5");
    m->field("point3")->setText("1");
    EXPECT_EQ(fields(table->writeBack()), fields({}));

    // A count whose last point field does not exist, or that is not an
    // integer: the repetitions stay, the existing points are written.
    for (const char* count : {"0", "7", "abc", "3.5"}) {
        SCOPED_TRACE(count);
        fresh();
        table->increasePoints();
        table->setValue(0.5, 1), table->setValue(0.9, 4);
        m->field("npoints")->setText(count);
        plan = table->writeBack();
        EXPECT_EQ(std::tuple(plan.repetitionChange, plan.values), std::tuple(0, Written{{"point2", "0.5"}}));
    }
}

TEST(WaveObject, WrittenValuesKeepToTheirFieldsLimits)
{
    auto db = bundledDbase();
    auto odd = oddTables();
    using Edit = std::function<void(WaveObject&)>;
    const Edit sine = &WaveObject::setPointsToSineWave;
    auto set = [](int point, double value) -> Edit { return [=](WaveObject& w) { w.setValue(value, point); }; };
    // The module, its edit, what is written and what is said of the limits.
    const std::tuple<Module::Ptr, Edit, Written, Limited> cases[] = {
        {readModule("MULTITAP t x-out 2 10 0.5 20 0.5 0", db),
         [](WaveObject& w) { w.setValue(2500, 0), w.setValue(-3, 1); },
         {{"obj1_delay", "2000"}, {"obj2_delay", "0"}},
         Limited{{"obj1_delay", "2500", "2000"}, {"obj2_delay", "-3", "0"}}},
        // The table runs from -1 to 1, the fields only from -0.5 to 0.5.
        {readModule("HALF h 4 0 0 0 0", odd),
         sine,
         {{"p2", "0.5"}, {"p4", "-0.5"}},
         Limited{{"p2", "1", "0.5"}, {"p4", "-1", "-0.5"}}},
        {readModule("HALF h 2 0 0", odd),
         [](WaveObject& w) { w.increasePoints(), w.setValue(0.75, 2); },
         {{"p3", "0.5"}},
         Limited{{"p3", "0.75", "0.5"}}},
        // Limits of one value: that value.
        {readModule("ODDMAX o 3 2 3 3", odd), set(0, 5), {{"p1", "3"}}, Limited{{"p1", "5", "3"}}},
        // No value fits limits the wrong way round: it is left out.
        {readModule("WRONGWAY w 2 0 0", odd), set(0, 0.5), {}, Limited{{"p1", "0.5", ""}}},
        // Integer fields take whole numbers.
        {readModule("STEPS s 4 0 0 0 0", odd), sine, {{"p1", "5"}, {"p2", "10"}, {"p3", "5"}}, {}},
        {readModule("STEPS s 2 0 0", odd), set(1, 3.6), {{"p2", "4"}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const auto& [module, edit, values, limited] = c;
        WaveObject table(module, module->name() == "MULTITAP" ? "obj~n_delay" : "p~n",
                         module->name() == "MULTITAP" ? "taps" : "n");
        edit(table);
        const WaveWriteBack plan = table.writeBack();
        EXPECT_EQ(std::tie(plan.values, plan.limited), std::tie(values, limited));
    }
}

TEST(ChebyshevWaveshape, AmplitudesAndTheirCurveBothWays)
{
    // Amplitudes (the rest 0), the shape's curve, and the table's when that
    // curve is scaled to fit. With no more points than harmonics the table's
    // fit of the curve gives the amplitudes back, those the points cannot
    // tell at 0.
    const std::tuple<Values, Values, Values> cases[] = {
        {{0, 1}, {-1, -0.5, 0, 0.5, 1}, {}},     // harmonic 1 alone is the straight line
        {{0, -1}, {1, 0.5, 0, -0.5, -1}, {}},    // falling
        {{1}, {0.5, 0.5, 0.5}, {}},              // the constant counts half
        {{0, 0, 1}, {1, -0.5, -1, -0.5, 1}, {}}, // T2 = 2x^2 - 1
        {{-1, 1, 0.5}, {-1, -1, 1}, {}},
        {{-0.6, 0.6}, {-0.9, -0.6, -0.3, 0, 0.3}, {}}, // a negative constant
        // T3 = 4x^3 - 3x, plus half of 0.5: 3 points cannot tell T3.
        {{0.5, 0, 0, 0.5}, {-0.25, 0.25, 0.75}, {}},
        // Past the range: scaled about the middle to just fit. 1.5 + x
        // reaches 0.5..2.5, so it is scaled by 1/2.5.
        {{3, 1}, {0.5, 1.5, 2.5}, {0.2, 0.6, 1}},
        // One point sits at 0; a table of fewer than two is not shaped.
        {{0.6}, {0.3}, {0}},
    };
    for (const auto& [amplitudes, points, scaled] : cases) {
        SCOPED_TRACE(points.size());
        ChebyshevWaveshape shape(ChebyshevWaveshape::kEditorHarmonics);
        for (uint32_t k = 0; k < amplitudes.size(); ++k)
            shape.setAmplitude(amplitudes[k], k);
        shape.setNumberOfPoints(static_cast<uint32_t>(points.size()));
        EXPECT_THAT(curveOf(shape), Pointwise(DoubleNear(1e-12), points));
        auto table = curve(static_cast<int>(points.size()));
        ASSERT_TRUE(table);
        table->setPointsToChebyshevWaveshape(shape);
        EXPECT_THAT(valuesOf(*table), Pointwise(DoubleNear(1e-12), scaled.empty() ? points : scaled));

        if (amplitudes.size() > points.size())
            continue;
        for (size_t i = 0; i < points.size(); ++i)
            table->setValue(points[i], static_cast<int>(i));
        const ChebyshevWaveshape fit = table->getChebyshevWaveshapeFromPoints(ChebyshevWaveshape::kEditorHarmonics);
        EXPECT_EQ(fit.numberOfPoints(), points.size());
        Values all = amplitudes;
        all.resize(ChebyshevWaveshape::kEditorHarmonics);
        EXPECT_THAT(valuesOf(fit.harmonicAmplitudes()), Pointwise(DoubleNear(1e-12), all));
    }
    // As many points as harmonics: the fit passes through every one.
    const Values thirteen{0, 0.5, -0.5, 1, -1, 0.25, 0, -0.25, 1, -1, 0.5, -0.5, 0};
    EXPECT_THAT(curveOf(ChebyshevWaveshape(13, thirteen)), Pointwise(DoubleNear(1e-12), thirteen));

    // A harmonic past the count is not kept; a lone point sits at 0 (where
    // T2 is -1); no amplitudes make 0.
    ChebyshevWaveshape shape(3);
    shape.setAmplitude(0.5, 3);
    EXPECT_EQ(Values({shape.amplitudeForHarmonic(3), chebyshevEvaluate(Values{0, 1, 1}, 1, 0),
                      chebyshevEvaluate(Values{}, 5, 2)}),
              Values({0, -1, 0}));
}

TEST(ChebyshevWaveshape, FittingMorePointsThanHarmonics)
{
    // More points: least squares. Any 13 harmonics come back from their curve.
    for (const Values& amplitudes : {Values{0.2, 0.6, -0.1, 0.05, 0, 0, 0, 0, 0, 0, 0, 0, -0.3},
                                     Values{-1, -0.8, 0, 0.1, 0.3, -0.2, 0.1, 0, 0.05, 0, 0, 0.4, 0.02}}) {
        ChebyshevWaveshape back = ChebyshevWaveshape::shapeFromPoints(series(amplitudes, 33), 13);
        EXPECT_EQ(back.numberOfPoints(), 33u);
        EXPECT_THAT(valuesOf(back.harmonicAmplitudes()), Pointwise(DoubleNear(1e-9), amplitudes));
    }
    // A step no 13 harmonics make: what the shape misses is orthogonal to
    // every harmonic, as least squares leaves it.
    Values step(40, 1.0);
    std::fill(step.begin(), step.begin() + 20, -1.0);
    ChebyshevWaveshape nearest(13, step);
    Values missed = curveOf(nearest);
    std::transform(step.begin(), step.end(), missed.begin(), missed.begin(), std::minus<>());
    for (size_t j = 0; j < 13; ++j) {
        Values harmonic(13, 0.0);
        harmonic[j] = 1;
        EXPECT_NEAR(std::inner_product(missed.begin(), missed.end(), series(harmonic, 40).begin(), 0.0), 0, 1e-9) << j;
    }
    EXPECT_GT(nearest.amplitudeForHarmonic(1), 1);

    // Nothing to fit: the coefficients are 0.
    Values none(2, 9.0);
    chebyshevFit(none, Values{});
    EXPECT_EQ(none, (Values{0, 0}));
}

TEST(WaveHarmonics, SpectrumAndBack)
{
    // A 4-point sine is harmonic 1 a quarter turn back; there is no harmonic
    // at half the points.
    Values magnitudes(3), phases(3), back(4);
    dft(Values{0, 1, 0, -1}, magnitudes, phases);
    EXPECT_THAT((Values{magnitudes[0], magnitudes[1], magnitudes[2], phases[1]}),
                Pointwise(DoubleNear(1e-12), Values{0, 1, 0, -std::numbers::pi / 2}));
    idft(back, magnitudes, phases);
    EXPECT_THAT(back, Pointwise(DoubleNear(1e-12), Values{0, 1, 0, -1}));

    // A negative constant: its size, and a half turn.
    dft(Values{-0.25, -0.25, -0.25}, magnitudes, phases);
    EXPECT_THAT((Values{magnitudes[0] * std::cos(phases[0]), magnitudes[1]}),
                Pointwise(DoubleNear(1e-12), Values{-0.25, 0}));

    // Any table without its highest harmonics comes back whole.
    Values wave;
    for (int j = 0; j < 9; ++j)
        wave.push_back(0.2 + 0.5 * std::cos(2 * std::numbers::pi * j / 9 + 1) +
                       0.25 * std::sin(2 * std::numbers::pi * 4 * j / 9));
    Values m(5), p(5), again(9);
    dft(wave, m, p);
    idft(again, m, p);
    EXPECT_THAT(again, Pointwise(DoubleNear(1e-12), wave));

    // A harmonic of so many points is shown when it is below their limit.
    using Of = std::pair<int, int>;
    const auto harmonics = {Of{1, 4}, {2, 4}, {2, 5}, {3, 5}, {15, 32}, {1, 2}, {0, 32}};
    const std::vector<bool> enabled{true, false, true, false, true, false, false};
    EXPECT_EQ(mapped(harmonics, [](Of h) { return WaveHarmonics::isHarmonicEnabled(h.first, h.second); }), enabled);
    EXPECT_EQ(mapped(harmonics, [](Of h) { return h.first > 0 && h.first < harmonicLimit(h.second); }), enabled);
}

TEST(WaveHarmonics, ControlsRebuildTheTable)
{
    auto db = bundledDbase();
    const std::string sixteen = "M_CURVE m 0 16 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0";
    using Fill = void (WaveObject::*)();
    for (const auto& [record, fill] : {std::pair<std::string, Fill>{sixteen, &WaveObject::setPointsToSineWave},
                                       {"C_CURVE c 0 8 0 0 0 0 0 0 0 0", &WaveObject::setPointsToTriangleWave}}) {
        SCOPED_TRACE(record);
        auto table = WaveObject::tableForModule(readModule(record, db));
        ASSERT_TRUE(table);
        ((*table).*fill)();
        const Values before = valuesOf(*table);
        WaveHarmonics h = WaveHarmonics::fromPoints(*table);
        EXPECT_NEAR(h.overall(), 1, 1e-9);
        // Everything is below half the points: the table comes back.
        EXPECT_FALSE(h.applyTo(*table));
        EXPECT_THAT(valuesOf(*table), Pointwise(DoubleNear(1e-9), before));
    }
    // The highest harmonic is read too.
    auto high = curve(32);
    ASSERT_TRUE(high);
    for (int j = 0; j < 32; ++j)
        high->setValue(std::cos(2 * std::numbers::pi * WaveHarmonics::kCount * j / 32), j);
    EXPECT_NEAR(WaveHarmonics::fromPoints(*high).level(WaveHarmonics::kCount), 1, 1e-9);

    // A square's fundamental is 4/pi: the overall gain takes it. 16 points
    // of -1 then 1: harmonic 1 is 1 / (4 sin(pi/16)).
    auto square = WaveObject::tableForModule(readModule(sixteen, db));
    ASSERT_TRUE(square);
    square->setPointsToSquareWave();
    const WaveHarmonics s = WaveHarmonics::fromPoints(*square);
    EXPECT_NEAR(s.overall(), 1 / (4 * std::sin(std::numbers::pi / 16)), 1e-12);
    EXPECT_THAT((Values{s.level(1), s.level(2), s.dc(), s.level(3) * s.overall()}),
                Pointwise(DoubleNear(1e-12), Values{1, 0, 0, 1 / (4 * std::sin(3 * std::numbers::pi / 16))}));

    // A full sine at twice the gain is clamped to the limits, and says so.
    auto table = WaveObject::tableForModule(readModule("M_UCURVE m 0 4 0 0 0 0", db));
    ASSERT_TRUE(table);
    WaveHarmonics h;
    h.setLevel(1, 1), h.setPhase(1, -std::numbers::pi / 2);
    EXPECT_FALSE(h.applyTo(*table));
    EXPECT_THAT(valuesOf(*table), Pointwise(DoubleNear(1e-12), Values{0.5, 1, 0.5, 0}));
    h.setOverall(2), h.setLevel(2, 1); // no room for harmonic 2 in 4 points
    EXPECT_TRUE(h.applyTo(*table));
    EXPECT_THAT(valuesOf(*table), Pointwise(DoubleNear(1e-12), Values{0.5, 1, 0.5, 0}));
    h.setDc(-0.25), h.setLevel(1, 0.5), h.setOverall(1);
    EXPECT_FALSE(h.applyTo(*table));
    EXPECT_NEAR(table->valueForPoint(0), 0.375, 1e-12);

    // The controls keep to their ranges.
    h.setDc(5), h.setOverall(-1), h.setLevel(3, 1.5), h.setPhase(3, 4), h.setLevel(16, 1);
    EXPECT_EQ(Values({h.dc(), h.overall(), h.level(3), h.phase(3), h.level(16)}),
              Values({1, 0, 1, WaveHarmonics::kPhaseMaximum, 0}));
}

TEST(WaveEditorText, SlidersAndFrequencies)
{
    EXPECT_EQ(mapped({0.5, -1.0, 2.0 / 3, 0.0, -std::numbers::pi, 12.25, -1e-17, -0.0004, -0.0005},
                     [](double v) { return sliderValueText(v); }),
              (std::vector<std::string>{"0.500", "-1.000", "0.667", "0.000", "-3.142", "12.250", "0.000", "0.000",
                                        "-0.001"}));
    EXPECT_EQ(harmonicFrequencyTexts(100),
              (std::array<std::string, 12>{"  100", "  200", "  300", "  400", "  500", "  600", "  700", "  800",
                                           "  900", " 1000", " 1100", " 1200"}));
    EXPECT_EQ(harmonicFrequencyTexts(9000)[11], "108000");
    EXPECT_EQ(harmonicFrequencyTexts(0)[5], "    0");
}

TEST(WaveformGeometry, PositionsAndHits)
{
    // 32 points in a 264 x 208 view over -1..1.
    WaveformGeometry g(264, 208, 32, -1, 1);
    // dx, margin, view height, first and last grid line, centre, top, bottom.
    EXPECT_EQ(Values({g.dx(), g.margin(), g.viewHeight(), g.pointX(0), g.pointX(32), g.centreX(), g.top(), g.bottom()}),
              Values({8, 4, 200, 4, 260, 128, 4, 204}));
    EXPECT_EQ(mapped({1.0, -1.0, 0.0, 0.5, 0.123}, [&](double v) { return g.yForValue(v); }),
              Values({4, 204, 104, 54, 92}));
    // Above the top or below the bottom: the limit.
    EXPECT_THAT(mapped({4.0, 0.0, 204.0, 300.0, 104.0, 54.0}, [&](double y) { return g.valueForY(y); }),
                Pointwise(DoubleNear(1e-12), Values{1, 1, -1, -1, 0, 0.5}));
    EXPECT_EQ(g.zeroLineY(), 104);

    // A point is within reach a third of the spacing either side.
    using Hits = std::vector<std::optional<int>>;
    const auto none = std::nullopt;
    EXPECT_EQ(
        mapped({4.0, 1.5, 6.6, 6.7, 12.0, 252.0, 254.7, 0.0, -1.0, 264.0}, [&](double x) { return g.pointAt(x); }),
        (Hits{0, 0, 0, none, 1, 31, none, none, none, none}));

    // A move of the mouse sets every point it passes, on the line between
    // its two positions; the point within reach of the end takes the end.
    using Set = std::vector<std::pair<int, double>>;
    struct Stroke {
        double x0, y0, x1, y1;
        Set set;
    };
    auto line = [](int from, int to) {
        Set set;
        for (int k = from; k != to + (to > from ? 1 : -1); k += to > from ? 1 : -1)
            set.emplace_back(k, -0.5 + (k - 2) / 8.0);
        return set;
    };
    const Stroke strokes[] = {
        {12, 54, 12, 54, {{1, 0.5}}},         {20, 154, 84, 54, line(2, 10)},
        {84, 54, 20, 154, line(10, 2)},       {38, 54, 40, 54, {}}, // between points 4 and 5, out of reach of both
        {250, 104, 300, 304, {{31, -0.08}}},                        // out of the view to the right: no point 32
        {4, 104, 13, -100, {{0, 0}, {1, 1}}},                       // above the top: the highest value
        {13, 104, 14, 4, {{1, 1}}},                                 // point 1 not crossed, but within reach of the end
        {11, 4, 13, 104, {{1, 0}}},                                 // crossed, and taking the end's height
    };
    for (const Stroke& c : strokes)
        EXPECT_THAT(g.strokeValues(c.x0, c.y0, c.x1, c.y1), Pointwise(SamePoint(), c.set)) << c.x0 << " to " << c.x1;

    // Few points: the reach stops at 8.
    WaveformGeometry wide(264, 108, 4, 0, 1);
    EXPECT_EQ(mapped({60.0, 76.0, 77.0}, [&](double x) { return wide.pointAt(x); }), (Hits{1, 1, none}));
    EXPECT_EQ(wide.zeroLineY(), 104);
    EXPECT_FALSE(WaveformGeometry(264, 108, 4, 1, 2).zeroLineY());
    // One value only, or no points: still drawable.
    EXPECT_EQ(WaveformGeometry(264, 108, 4, 3, 3).yForValue(3), 54);
    EXPECT_EQ(WaveformGeometry(264, 108, 0, -1, 1).pointAt(100), std::nullopt);
}

// Written, one "Change Value" step that undoes to the same bytes; refused,
// the module as it was and nothing to undo.
TEST(WaveWriteBack, OneChangeValueStepOrNoneAtAll)
{
    // The module, its plan, its saved line after the write (null when
    // refused) and the start of the refusal ("" when none is given).
    const std::tuple<const char*, Plan, const char*, const char*> cases[] = {
        // Two points added and every value set.
        {"cc", edited(2, &WaveObject::setPointsToSawToothWave),
         "C_CURVE cc adc-in1 6 0 0.2 0.4 0.6 0.8 1 ;=140,40,80,0", ""},
        // Points added and one of them set: the other starts at 0.
        {"m", edited(2, [](WaveObject& w) { w.setValue(0.8, 7); }),
         "M_CURVE m 0 8 0.1 0.2 0.3 0.4 0.5 0.6 0 0.8 ;=380,140,80,0", ""},
        // Points removed and the rest inverted.
        {"m", edited(-2, &WaveObject::invertPoints), "M_CURVE m 0 4 -0.1 -0.2 -0.3 -0.4 ;=380,140,80,0", ""},
        // A tap added and set; a tap whose level is wired removed.
        {"mt", edited(1, [](WaveObject& w) { w.setValue(600, 3); }),
         "MULTITAP mt adc-in1 4 120 mk-out 250 0.4 480 cc-out 600 0.5 0.5 ;=260,40,80,0", ""},
        {"mt", edited(-1, [](WaveObject& w) { w.setValue(300, 1); }),
         "MULTITAP mt adc-in1 2 120 mk-out 300 0.4 0.5 ;=260,40,80,0", ""},
        // A knob removed, down to the minimum.
        {"mk", edited(-1, [](WaveObject& w) { EXPECT_FALSE(w.decreasePoints()); }),
         "MULTIKNOB mk cc-out 2 0.2 0.5 ;=140,140,80,0", ""},
        // Values only, one beyond the limits.
        {"wf", edited(0, [](WaveObject& w) { w.setValue(0.5, 0), w.setValue(3, 31); }),
         "WAVEFORM wf 32 0.5 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 ;=260,140,80,0", ""},
        // Refused: added repetitions, then a value the field refuses; a value
        // for an output; past the count's maximum; below its minimum; a
        // removal list that does not match the change; no such point; values
        // as the module has them.
        {"cc", given({2, "point4", {}, {{"point5", "0.5"}, {"point6", "abc"}}, {}, {}}), nullptr,
         "point 6 must be a decimal"},
        {"cc", given({0, "", {}, {{"out", "1"}}, {}, {}}), nullptr, "out cannot take a point of the table."},
        {"mk", given({14, "val3", {}, {}, {}, {}}), nullptr, ""},
        {"cc", given({-3, "point4", {"point4", "point3", "point2"}, {}, {}, {}}), nullptr, ""},
        {"cc", given({-1, "point4", {}, {}, {}, {}}), nullptr, ""},
        {"cc", given({0, "", {}, {{"point9", "0.5"}}, {}, {}}), nullptr, "point9 cannot take a point of the table."},
        {"cc", given({0, "", {}, {{"point2", "0.3"}}, {}, {}}), nullptr, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const auto& [name, planOf, line, refusal] = c;
        std::vector<PatchChange> heard; // outlives the document that tells it
        auto doc = openDocument(wavePatch());
        UndoManager& undo = doc->undoManager();
        const std::string before = doc->sigData();
        Module& module = moduleNamed(*doc, name);
        auto table = WaveObject::tableForModule(module.shared_from_this());
        ASSERT_TRUE(table);
        const WaveWriteBack plan = planOf(*table);

        doc->addChangeListener(&heard, [&](const PatchChange& change) { heard.push_back(change); });
        int sender = 0;
        std::string error;
        const bool done = [&] {
            UndoGroup event(*doc);
            return PatchEditor(*doc).applyWaveWriteBack(module, plan, &error, &sender);
        }();
        EXPECT_EQ(error.substr(0, std::string(refusal).size()), refusal);
        EXPECT_EQ(error.empty(), *refusal == 0);
        if (!line) {
            EXPECT_EQ(std::tuple(done, doc->sigData(), heard.size(), undo.undoCount(), doc->isDocumentEdited()),
                      std::tuple(false, before, 0u, 0u, false));
            continue;
        }
        ASSERT_TRUE(done);
        EXPECT_EQ(lineOf(*doc, module.name() + " " + name + " "), line);
        // One announcement, one undo step.
        EXPECT_EQ(
            std::tuple(heard.size(), undo.undoCount(), undo.undoMenuItemTitle(), miscountedOutput(*doc->sigFile())),
            std::tuple(1u, 1u, "Undo Change Value", ""));
        ASSERT_FALSE(heard.empty());
        EXPECT_EQ(std::tuple(heard[0].kind, heard[0].sender), std::tuple(PatchChange::Kind::FieldText, &sender));

        // The table read again matches the module, so nothing is left to write.
        table->resetPoints();
        EXPECT_TRUE(table->writeBack().empty());

        // Undone to the same bytes (which also means the same counts), redone
        // to the written ones; the undo carries the sender too.
        const std::string edited = doc->sigData();
        undo.undo();
        EXPECT_EQ(std::tuple(doc->sigData(), doc->isDocumentEdited()), std::tuple(before, false));
        undo.redo();
        EXPECT_EQ(doc->sigData(), edited);
        ASSERT_EQ(heard.size(), 3u);
        EXPECT_EQ(std::tuple(heard[1].sender, heard[1].direction), std::tuple(&sender, PatchChange::Direction::Undone));
    }
}

TEST(WaveWriteBack, AModuleThatLeftThePatchIsWrittenNowhere)
{
    auto doc = openDocument(wavePatch());
    Module::Ptr cc = moduleNamed(*doc, "cc").shared_from_this();
    {
        UndoGroup event(*doc);
        ASSERT_TRUE(PatchEditor(*doc).deleteModules({cc.get()}));
    }
    const std::string before = doc->sigData();
    EXPECT_FALSE(PatchEditor(*doc).applyWaveWriteBack(*cc, {0, "", {}, {{"point1", "0.5"}}, {}, {}}));
    EXPECT_EQ(doc->sigData(), before);
    EXPECT_EQ(doc->undoManager().undoCount(), 1u);
}
