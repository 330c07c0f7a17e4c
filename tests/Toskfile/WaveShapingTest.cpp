// SPDX-License-Identifier: GPL-3.0-or-later
// Chebyshev shapes, the harmonic controls, the editors' texts and the
// geometry of the view the tables are drawn in.
#include "ModelTestSupport.h"

#include "Toskfile/ChebyshevWaveshape.h"
#include "Toskfile/WaveEditorText.h"
#include "Toskfile/WaveHarmonics.h"
#include "Toskfile/WaveObject.h"
#include "Toskfile/WaveformGeometry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <numeric>

using namespace tosk;
using namespace tosk::test;
using testing::DoubleNear;
using testing::Pointwise;

namespace {

using Values = std::vector<double>;

std::unique_ptr<WaveObject> curve(int points)
{
    std::string record = "CURVE s x-out " + std::to_string(points);
    for (int i = 0; i < points; ++i)
        record += " 0";
    return WaveObject::tableForModule(readModule(record, bundledDbase()));
}

Values valuesOf(const WaveObject& table)
{
    return Values(table.pointValues().begin(), table.pointValues().end());
}

Values curveOf(const ChebyshevWaveshape& shape)
{
    Values out;
    for (uint32_t i = 0; i < shape.numberOfPoints(); ++i)
        out.push_back(shape.evaluate(i));
    return out;
}

Values amplitudesOf(const ChebyshevWaveshape& shape)
{
    return Values(shape.harmonicAmplitudes().begin(), shape.harmonicAmplitudes().end());
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

} // namespace

TEST(ChebyshevWaveshape, ShapesGiveTheirCurves)
{
    struct Case {
        std::vector<std::pair<uint32_t, double>> amplitudes;
        int points;
        Values expected;
        Values unscaled = {}; // the shape's own curve, when the table's is scaled
    };
    const Case cases[] = {
        // Harmonic 1 alone is the straight line.
        {{{1, 1}}, 5, {-1, -0.5, 0, 0.5, 1}},
        // The constant counts half.
        {{{0, 1}}, 3, {0.5, 0.5, 0.5}},
        // T2 = 2x^2 - 1.
        {{{2, 1}}, 5, {1, -0.5, -1, -0.5, 1}},
        // T3 = 4x^3 - 3x, plus half of 0.5.
        {{{0, 0.5}, {3, 0.5}}, 3, {-0.25, 0.25, 0.75}},
        // A curve past the range is scaled about the middle to just fit:
        // 1.5 + x over -1..1 reaches 0.5..2.5, so it is scaled by 1/2.5.
        {{{0, 3}, {1, 1}}, 3, {0.2, 0.6, 1}, {0.5, 1.5, 2.5}},
    };
    for (const auto& c : cases) {
        ChebyshevWaveshape shape(ChebyshevWaveshape::kEditorHarmonics);
        for (auto [k, a] : c.amplitudes)
            shape.setAmplitude(a, k);
        shape.setNumberOfPoints(static_cast<uint32_t>(c.points));
        auto table = curve(c.points);
        ASSERT_TRUE(table);
        table->setPointsToChebyshevWaveshape(shape);
        EXPECT_THAT(valuesOf(*table), Pointwise(DoubleNear(1e-12), c.expected));
        EXPECT_THAT(curveOf(shape), Pointwise(DoubleNear(1e-12), c.unscaled.empty() ? c.expected : c.unscaled));
    }

    ChebyshevWaveshape shape(3);
    shape.setAmplitude(0.5, 3);
    EXPECT_EQ(shape.amplitudeForHarmonic(3), 0) << "past the count";
    // One point sits at 0; fewer than two are not shaped.
    EXPECT_EQ(chebyshevPosition(1, 0), 0);
    EXPECT_EQ(chebyshevEvaluate(Values{0, 1, 1}, 1, 0), -1);
    EXPECT_EQ(chebyshevEvaluate(Values{}, 5, 2), 0);
}

TEST(ChebyshevWaveshape, FittingGivesTheCurveBack)
{
    // No more points than harmonics: the shape passes through every point,
    // falling and flat curves included, with the harmonics the points cannot
    // tell at 0.
    struct Exact {
        Values points;
        Values amplitudes; // the first ones, where they are known
    };
    const Exact exact[] = {
        {{-1, 0, 1}, {0, 1, 0}},
        {{-1, -1, 1}, {-1, 1, 0.5}},
        {{1, 0.5, 0, -0.5, -1}, {0, -1, 0, 0, 0}},
        {{0, 0.5, -0.5, 1, -1, 0.25, 0, -0.25, 1, -1, 0.5, -0.5, 0}, {}},
        {{0.3}, {0.6}},
    };
    for (const Exact& c : exact) {
        SCOPED_TRACE(c.points.size());
        ChebyshevWaveshape shape(ChebyshevWaveshape::kEditorHarmonics, c.points);
        EXPECT_EQ(shape.numberOfPoints(), c.points.size());
        EXPECT_THAT(curveOf(shape), Pointwise(DoubleNear(1e-12), c.points));
        const Values a = amplitudesOf(shape);
        EXPECT_THAT(Values(a.begin(), a.begin() + c.amplitudes.size()), Pointwise(DoubleNear(1e-12), c.amplitudes));
        EXPECT_EQ(Values(a.begin() + c.points.size(), a.end()), Values(13 - c.points.size(), 0.0));
    }

    // More points: least squares. The straight line over 33 points is
    // harmonic 1 alone, and any 13 harmonics come back from their curve.
    for (const Values& amplitudes :
         {Values{0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Values{0.2, 0.6, -0.1, 0.05, 0, 0, 0, 0, 0, 0, 0, 0, -0.3},
          Values{-1, -0.8, 0, 0.1, 0.3, -0.2, 0.1, 0, 0.05, 0, 0, 0.4, 0.02}}) {
        ChebyshevWaveshape back = ChebyshevWaveshape::shapeFromPoints(series(amplitudes, 33), 13);
        EXPECT_EQ(back.numberOfPoints(), 33u);
        EXPECT_THAT(amplitudesOf(back), Pointwise(DoubleNear(1e-9), amplitudes));
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
        const Values h = series(harmonic, 40);
        EXPECT_NEAR(std::inner_product(missed.begin(), missed.end(), h.begin(), 0.0), 0, 1e-9) << j;
    }
    EXPECT_GT(nearest.amplitudeForHarmonic(1), 1);

    // A table's shape is that fit over its points.
    auto table = curve(5);
    ASSERT_TRUE(table);
    for (int i = 0; i < 5; ++i)
        table->setValue(0.3 * i - 0.9, i);
    Values coefficients(13, 0.0);
    chebyshevFit(std::span(coefficients).first(5), table->pointValues());
    EXPECT_EQ(amplitudesOf(table->getChebyshevWaveshapeFromPoints(13)), coefficients);
    EXPECT_NEAR(coefficients[0], -0.6, 1e-12) << "a negative constant is kept";
    EXPECT_NEAR(coefficients[1], 0.6, 1e-12);

    // Nothing to fit: the coefficients are 0.
    Values none(2, 9.0);
    chebyshevFit(none, Values{});
    EXPECT_EQ(none, (Values{0, 0}));
}

TEST(WaveHarmonics, SpectrumAndBack)
{
    // A 4-point sine is harmonic 1 a quarter turn back; there is no harmonic
    // at half the points.
    Values magnitudes(3);
    Values phases(3);
    dft(Values{0, 1, 0, -1}, magnitudes, phases);
    EXPECT_THAT(magnitudes, Pointwise(DoubleNear(1e-12), Values{0, 1, 0}));
    EXPECT_EQ(magnitudes[2], 0);
    EXPECT_NEAR(phases[1], -std::numbers::pi / 2, 1e-12);
    Values back(4);
    idft(back, magnitudes, phases);
    EXPECT_THAT(back, Pointwise(DoubleNear(1e-12), Values{0, 1, 0, -1}));

    // A negative constant: its size, and a half turn.
    dft(Values{-0.25, -0.25, -0.25}, magnitudes, phases);
    EXPECT_NEAR(magnitudes[0] * std::cos(phases[0]), -0.25, 1e-12);
    EXPECT_NEAR(magnitudes[1], 0, 1e-12);

    // Any table without its highest harmonics comes back whole.
    Values wave;
    for (int j = 0; j < 9; ++j)
        wave.push_back(0.2 + 0.5 * std::cos(2 * std::numbers::pi * j / 9 + 1) +
                       0.25 * std::sin(2 * std::numbers::pi * 4 * j / 9));
    Values m(5);
    Values p(5);
    dft(wave, m, p);
    Values again(9);
    idft(again, m, p);
    EXPECT_THAT(again, Pointwise(DoubleNear(1e-12), wave));

    struct Enabled {
        int harmonic, points;
        bool enabled;
    };
    for (auto e : {Enabled{1, 4, true}, Enabled{2, 4, false}, Enabled{2, 5, true}, Enabled{3, 5, false},
                   Enabled{15, 32, true}, Enabled{1, 2, false}, Enabled{0, 32, false}}) {
        EXPECT_EQ(WaveHarmonics::isHarmonicEnabled(e.harmonic, e.points), e.enabled)
            << e.harmonic << " of " << e.points;
        EXPECT_EQ(e.harmonic < harmonicLimit(e.points) && e.harmonic > 0, e.enabled);
    }
}

TEST(WaveHarmonics, ControlsRebuildTheTable)
{
    auto db = bundledDbase();
    struct Case {
        std::string record;
        std::function<void(WaveObject&)> fill;
    };
    std::string sine = "CURVE s x-out 32";
    for (int i = 0; i < 32; ++i)
        sine += " 0";
    const Case cases[] = {
        {sine, [](WaveObject& w) { w.setPointsToSineWave(); }},
        {"C_CURVE c 0 8 0 0 0 0 0 0 0 0", [](WaveObject& w) { w.setPointsToTriangleWave(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        auto table = WaveObject::tableForModule(readModule(c.record, db));
        ASSERT_TRUE(table);
        c.fill(*table);
        const Values before = valuesOf(*table);
        ASSERT_GT(before.size(), 7u);
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
    auto square = WaveObject::tableForModule(readModule("M_CURVE m 0 16 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0", db));
    ASSERT_TRUE(square);
    square->setPointsToSquareWave();
    const WaveHarmonics s = WaveHarmonics::fromPoints(*square);
    EXPECT_NEAR(s.overall(), 1 / (4 * std::sin(std::numbers::pi / 16)), 1e-12);
    EXPECT_THAT((Values{s.level(1), s.level(2), s.dc(), s.level(3) * s.overall()}),
                Pointwise(DoubleNear(1e-12), Values{1, 0, 0, 1 / (4 * std::sin(3 * std::numbers::pi / 16))}));

    // A full sine at twice the gain is clamped to the limits, and says so.
    auto table = WaveObject::tableForModule(readModule("M_UCURVE m 0 4 0 0 0 0", db));
    WaveHarmonics h;
    h.setLevel(1, 1);
    h.setPhase(1, -std::numbers::pi / 2);
    EXPECT_FALSE(h.applyTo(*table));
    EXPECT_THAT(valuesOf(*table), Pointwise(DoubleNear(1e-12), Values{0.5, 1, 0.5, 0}));
    h.setOverall(2);
    h.setLevel(2, 1); // no room for it in 4 points
    EXPECT_TRUE(h.applyTo(*table));
    EXPECT_THAT(valuesOf(*table), Pointwise(DoubleNear(1e-12), Values{0.5, 1, 0.5, 0}));
    h.setDc(-0.25);
    h.setLevel(1, 0.5);
    h.setOverall(1);
    EXPECT_FALSE(h.applyTo(*table));
    EXPECT_NEAR(table->valueForPoint(0), 0.375, 1e-12);

    // The controls keep to their ranges.
    h.setDc(5);
    h.setOverall(-1);
    h.setLevel(3, 1.5);
    h.setPhase(3, 4);
    h.setLevel(16, 1);
    EXPECT_EQ(Values({h.dc(), h.overall(), h.level(3), h.phase(3), h.level(16)}),
              Values({1, 0, 1, WaveHarmonics::kPhaseMaximum, 0}));
}

TEST(WaveEditorText, SlidersAndFrequencies)
{
    struct Case {
        double value;
        const char* text;
    };
    for (auto c : {Case{0.5, "0.500"}, Case{-1, "-1.000"}, Case{2.0 / 3, "0.667"}, Case{0, "0.000"},
                   Case{-std::numbers::pi, "-3.142"}, Case{12.25, "12.250"}, Case{-1e-17, "0.000"},
                   Case{-0.0004, "0.000"}, Case{-0.0005, "-0.001"}})
        EXPECT_EQ(sliderValueText(c.value), c.text);
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
    struct Y {
        double value, y;
    };
    for (auto c : {Y{1, 4}, Y{-1, 204}, Y{0, 104}, Y{0.5, 54}, Y{0.123, 92}})
        EXPECT_EQ(g.yForValue(c.value), c.y) << c.value;
    for (auto c : {Y{1, 4}, Y{1, 0}, Y{-1, 204}, Y{-1, 300}, Y{0, 104}, Y{0.5, 54}})
        EXPECT_NEAR(g.valueForY(c.y), c.value, 1e-12) << c.y;
    ASSERT_TRUE(g.zeroLineY());
    EXPECT_EQ(*g.zeroLineY(), 104);

    EXPECT_NEAR(g.tolerance(), 8.0 / 3, 1e-12);
    struct Hit {
        double x;
        std::optional<int> point;
    };
    for (auto c : {Hit{4, 0}, Hit{1.5, 0}, Hit{6.6, 0}, Hit{6.7, std::nullopt}, Hit{12, 1}, Hit{252, 31},
                   Hit{254.7, std::nullopt}, Hit{0, std::nullopt}, Hit{-1, std::nullopt}, Hit{264, std::nullopt}})
        EXPECT_EQ(g.pointAt(c.x), c.point) << c.x;

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
    EXPECT_EQ(wide.dx(), 64);
    EXPECT_EQ(wide.tolerance(), 8);
    EXPECT_EQ(wide.pointAt(75), 1);
    EXPECT_EQ(wide.pointAt(77), std::nullopt);
    EXPECT_EQ(*wide.zeroLineY(), 104);
    EXPECT_FALSE(WaveformGeometry(264, 108, 4, 1, 2).zeroLineY());
    // One value only, or no points: still drawable.
    EXPECT_EQ(WaveformGeometry(264, 108, 4, 3, 3).yForValue(3), 54);
    WaveformGeometry empty(264, 108, 0, -1, 1);
    EXPECT_EQ(empty.pointAt(100), std::nullopt);
    EXPECT_EQ(empty.margin(), 4);
}
