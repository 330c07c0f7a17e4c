// SPDX-License-Identifier: GPL-3.0-or-later
// Automatic layout: columns found by walking the wires out from the head,
// placement of inserted modules, and the indexed search giving what
// the plain search gives.
#include "SigFileTestSupport.h"

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/PatchLayout.h"

#include <gtest/gtest.h>

#include <random>

using namespace tosk;
using namespace tosk::test;

namespace {

std::unique_ptr<SigFile> laidOut(const std::string& text)
{
    LoadedText loaded = loadText(text);
    loaded.patch->reposition();
    return std::move(loaded.patch);
}

Point at(const SigFile& patch, const std::string& name)
{
    auto m = patch.findModuleByName(name);
    return m ? m->rect().origin : Point{-1, -1};
}

// A patch of n modules wired at random: signals, controls and user objects,
// forwards and backwards, some modules left unconnected.
std::string randomPatch(unsigned seed, int n)
{
    std::mt19937 random(seed);
    auto pick = [&](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };
    auto name = [](int i) { return std::string("m").append(std::to_string(i)); };
    auto signal = [&](int self) {
        int k = pick(n + 2);
        if (k >= n)
            return std::string(k == n ? "adc-in1" : "adc-null");
        return k == self ? std::string("adc-in2") : name(k) + "-out";
    };
    std::string text = "HEADM adc R t 2 2 1 " + signal(-1) + " " + signal(-1) +
                       " adc-nullobj ;=" + std::to_string(pick(300)) + "," + std::to_string(pick(300)) + ",80,0\r\n";
    for (int i = 0; i < n; ++i) {
        switch (pick(5)) {
        case 0:
            text += "GAIN " + name(i) + " " + signal(i) + " 1\r\n";
            break;
        case 1:
            text += "MIX2 " + name(i) + " " + signal(i) + " " + signal(i) + " 1 1 ;=" + std::to_string(pick(900)) +
                    ",5,80,0\r\n";
            break;
        case 2:
            text += "LFO " + name(i) + " 1 1 0\r\n";
            break;
        case 3: // a control fed by the LFO-like module before it, when there is one
            text += "SMOOTH " + name(i) + " " + (i > 0 ? name(i - 1) + "-out" : std::string("0")) + " 0.1\r\n";
            break;
        default:
            text += "PAN " + name(i) + " " + signal(i) + " " + (i > 1 ? name(pick(i)) + "-out" : "0") + "\r\n";
            break;
        }
    }
    return text;
}

} // namespace

TEST(PatchLayout, ColumnsFollowTheWiresFromTheHead)
{
    const std::tuple<const char*, std::string, std::vector<std::pair<std::string, Point>>> cases[] = {
        {"modules fed by the head go in the column to its right; what the walk did not reach goes one column right "
         "of the rightmost module, stacked 20 apart",
         crlf({"HEADM adc P t 2 2 1 g-out adc-null adc-nullobj ;=20,40,80,0", "GAIN g adc-in1 1 ;=500,500,80,0",
               "SINE s1 1 1", "SINE s2 1 1 ;=3,4,80,0"}),
         {{"adc", {20, 40}}, {"g", {180, 40}}, {"s1", {340, 40}}, {"s2", {340, 124}}}},
        {"d goes below the head (all 9 rows of its pins shown), e left of d, past the margin: everything placed "
         "but the head moves right by 147; s, never reached, right of b, the rightmost, not of e, the last",
         crlf({"HEADM adc P t 2 2 1 b-out adc-null adc-nullobj ;=20,40,80,0", "MIX2 b adc-in1 d-out 1 1",
               "GAIN d e-out 1", "GAIN e adc-in2 1", "SINE s 1 1"}),
         {{"adc", {20, 40}}, {"b", {327, 40}}, {"d", {167, 204}}, {"e", {7, 204}}, {"s", {487, 40}}}},
        {"the walk from a reaches the LFO (in the head's column, below it), the knob left of that (past the "
         "margin), then b from the LFO's outputs, before the head's own walk gets to b",
         crlf({"HEADM adc P t 2 2 1 a-out b-out adc-nullobj ;=20,40,80,0", "GAIN a adc-in1 lfo-out",
               "GAIN b adc-in2 lfo-out", "LFO lfo knob-out 1 0", "KNOB knob \"K:%f\" 0 1 0.5 0.5 1"}),
         {{"a", {327, 40}}, {"b", {327, 124}}, {"lfo", {167, 204}}, {"knob", {7, 204}}}},
        {"c, fed by b, starts on b's own row in the next column, not below a, the lowest there (only control "
         "walks start below the lowest)",
         crlf({"HEADM adc R t 2 2 1 adc-null b-out adc-nullobj ;=20,40,80,0", "MIX2 c b-out adc-in2 1 1",
               "MIX2 a adc-in1 b-out 1 1", "MIX2 b adc-in2 adc-in2 1 1"}),
         {{"a", {180, 40}}, {"b", {20, 204}}, {"c", {180, 204}}}},
        {"a patch without a head is left alone", crlf({"GAIN g 0 1 ;=500,500,80,0"}), {{"g", {500, 500}}}},
    };
    for (const auto& [what, text, positions] : cases) {
        SCOPED_TRACE(what);
        auto patch = laidOut(text);
        for (const auto& [name, point] : positions)
            EXPECT_EQ(at(*patch, name), point) << name;
    }
    auto first = laidOut(std::get<1>(cases[0]));
    ASSERT_TRUE(first->findModuleByName("s2"));
    EXPECT_EQ(ModuleGeometry::placedBox(*first->findModuleByName("s2"), SigFile::kDefaultShowMode).size,
              (Size{80, 64}));
}

TEST(PatchLayout, LowestModuleSearchAndInsertionBesideAModule)
{
    LoadedText loaded = loadText(crlf({"HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj", "GAIN a 0 1 ;=100,40,80,0",
                                       "GAIN b 0 1 ;=100,200,80,0", "GAIN c 0 1 ;=300,200,80,0", "GAIN z 0 1"}));
    SigFile& patch = *loaded.patch;
    auto name = [](const Module::Ptr& m) { return m ? std::string(m->instanceName()) : std::string("none"); };
    EXPECT_EQ(name(patch.findLowestModule(Rect(180, 0, 0, 0))), "b") << "touching edges meet";
    EXPECT_EQ(name(patch.findLowestModule(Rect(181, 0, 0, 0))), "none") << "z, never placed, has no height";
    EXPECT_EQ(name(patch.findLowestModule(Rect(20, 0, 80, 10))), "b");
    EXPECT_EQ(name(patch.findLowestModule(Rect(200, 0, 100, 10))), "c");
    EXPECT_EQ(name(patch.findLowestModule(Rect(150, 0, 200, 10))), "b") << "the first of equal bottoms";
    EXPECT_EQ(name(patch.findRightMostModule()), "c");
    patch.offsetAllModules(5, 10); // unplaced modules stay
    EXPECT_EQ((std::vector{at(patch, "a"), at(patch, "z"), at(patch, "adc")}), (std::vector<Point>{{105, 50}, {}, {}}));

    // Placing in a column puts the module below the column's lowest module;
    // a module whose right edge touches the column stands in it.
    ASSERT_TRUE(patch.findModuleByName("z"));
    Module& z = *patch.findModuleByName("z");
    PatchLayout scan(patch, PatchLayout::Search::Scan); // the indexed search gives the same, tested below
    scan.place(z, Rect(185, 30, 80, 64));
    scan.commit();
    EXPECT_EQ(at(patch, "z"), (Point{185, 294}));
    // A column above the top margin moves everything placed down first.
    auto w = newModule("GAIN", "w", bundledDbase());
    patch.addModule(w);
    patch.reposition(*w, Rect(305, 0, 80, 64));
    EXPECT_EQ((std::vector{at(patch, "a"), at(patch, "z"), at(patch, "adc"), at(patch, "w")}),
              (std::vector<Point>{{105, 70}, {185, 314}, {0, 0}, {305, 314}}));

    auto fresh = newModule("GAIN", "new", bundledDbase());
    ASSERT_TRUE(patch.findModuleByName("a"));
    Module& a = *patch.findModuleByName("a");
    a.setRect(Rect(100, 40, 60, 64));
    EXPECT_TRUE(patch.addModuleAfter(fresh, a, true));
    EXPECT_EQ(fresh->rect().origin, (Point{130, 70}));
    EXPECT_EQ(patch.indexOfModule(fresh.get()), 2u);
    auto placed = newModule("GAIN", "placed", bundledDbase());
    placed->moveToPosition(Point{9, 9});
    EXPECT_TRUE(patch.addModules({placed}, *fresh, true));
    EXPECT_EQ(placed->rect().origin, (Point{9, 9})) << "a module laid out before keeps its place";
    EXPECT_EQ(patch.indexOfModule(placed.get()), 3u);
    Module outsider;
    EXPECT_FALSE(patch.addModuleAfter(newModule("GAIN", "x", bundledDbase()), outsider, true));
    EXPECT_TRUE(patch.addModules({}, outsider, true));
}

TEST(PatchLayout, IndexedSearchPlacesEveryModuleWhereThePlainSearchDoes)
{
    for (unsigned seed = 1; seed <= 12; ++seed) {
        LoadedText loaded = loadText(randomPatch(seed, 60 + static_cast<int>(seed) * 10));
        SigFile& patch = *loaded.patch;
        CanvasLayout().layOut(patch, patch.head().get());
        auto rects = [&patch] {
            std::vector<Rect> all;
            for (const auto& m : patch.moduleArray())
                all.push_back(m->rect());
            return all;
        };
        const std::vector<Rect> before = rects();
        const double w = Module::kWidth;
        // What each step leaves: a box placed beside the boxes still at the
        // origin, just touching them; the whole layout; boxes placed in the
        // columns just touching a laid-out box on its right and on its left.
        auto run = [&](PatchLayout::Search search) {
            std::vector<std::vector<Rect>> steps;
            for (size_t i = 0; i < before.size(); ++i)
                patch.moduleAtIndex(i)->setRect(before[i]);
            PatchLayout beside(patch, SigFile::kDefaultShowMode, search);
            beside.place(*patch.moduleAtIndex(2), Rect(w, 3, w, 64));
            beside.commit();
            steps.push_back(rects());
            for (size_t i = 0; i < before.size(); ++i)
                patch.moduleAtIndex(i)->setRect(before[i]);
            PatchLayout layout(patch, search);
            layout.layOut();
            // A second walk and a placement over the finished layout too.
            layout.walk(PatchLayout::ControlsTo, *patch.moduleAtIndex(patch.moduleCount() / 2));
            layout.place(*patch.moduleAtIndex(1), Rect(3, 3, 80, 64));
            layout.commit();
            steps.push_back(rects());
            const Rect box = patch.moduleAtIndex(patch.moduleCount() / 3)->rect();
            PatchLayout touching(patch, search);
            touching.place(*patch.moduleAtIndex(4), box.offset(w, 0));
            touching.place(*patch.moduleAtIndex(5), box.offset(-w, 0));
            touching.commit();
            steps.push_back(rects());
            return steps;
        };
        const auto indexed = run(PatchLayout::Search::Indexed);
        ASSERT_EQ(indexed, run(PatchLayout::Search::Scan)) << "seed " << seed;
        EXPECT_EQ(indexed[0][2].x(), w) << "placed in the column it was given";
        for (size_t i = 1; i < indexed[1].size(); ++i)
            ASSERT_NE(indexed[1][i].origin, (Point{0, 0})) << "every module is placed";
    }
}

TEST(PatchLayout, ALongChainIsWalkedWithoutRecursion)
{
    std::string text = "HEADM adc P t 2 2 1 m2999-out adc-null adc-nullobj ;=20,40,80,0\r\n";
    for (int i = 0; i < 3000; ++i) {
        text.append("GAIN m").append(std::to_string(i));
        text.append(i ? " m" + std::to_string(i - 1) + "-out" : " adc-in1").append(" 1\r\n");
    }
    auto patch = laidOut(text);
    EXPECT_EQ(at(*patch, "m0"), (Point{180, 40}));
    EXPECT_EQ(at(*patch, "m2999"), (Point{180 + 2999 * 160, 40}));
}

TEST(PatchLayout, AnOutputTakenOutOfItsModuleJoinsItToNothing)
{
    LoadedText loaded = loadText("HEADM adc P t 2 2 1 b-out adc-null adc-nullobj ;=20,40,80,0\r\n"
                                 "GAIN a adc-in1 1\r\nGAIN b a-out 1\r\n");
    SigFile& patch = *loaded.patch;
    ASSERT_TRUE(patch.findModuleByName("a") && patch.findModuleByName("b"));
    Module& a = *patch.findModuleByName("a");
    Module& b = *patch.findModuleByName("b");
    EXPECT_EQ(PatchLayout(patch).modulesConnectedTo(b, OperatorEntry::ED_SIGNAL), std::vector<Module*>{&a});
    const ModuleField* out = b.fieldAtIndex(1)->source().get();
    ASSERT_TRUE(out && out->parent() == &a);
    // Undo keeps a field taken out of its module, and an input may still
    // name it; the layout goes by the module's fields as they stand.
    a.removeField(out);
    EXPECT_EQ(PatchLayout(patch).modulesConnectedTo(b, OperatorEntry::ED_SIGNAL), std::vector<Module*>{});
}

TEST(PatchLayout, AWalkFromOneModulePlacesOnlyWhatItReaches)
{
    LoadedText loaded = loadText("HEADM adc P t 2 2 1 b-out adc-null adc-nullobj ;=20,40,80,0\r\n"
                                 "GAIN a adc-in1 1\r\nGAIN b a-out 1\r\nGAIN c adc-in2 1\r\n");
    SigFile& patch = *loaded.patch;
    ASSERT_TRUE(patch.findModuleByName("a"));
    patch.repositionModulesWithSignalsFrom(*patch.findModuleByName("a"));
    // b goes a column to the right of a; the walk back from b places a
    // beside it; c, fed by the head only, is not reached.
    const Point a = at(patch, "a");
    EXPECT_NE(a, (Point{0, 0}));
    EXPECT_EQ(at(patch, "b"), (Point{a.x + PatchLayout::kColumnGap + Module::kWidth, a.y}));
    EXPECT_EQ(at(patch, "c"), (Point{0, 0}));
}
