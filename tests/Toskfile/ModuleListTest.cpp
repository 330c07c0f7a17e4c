// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelTestSupport.h"

#include "Toskfile/ModuleList.h"
#include "Toskfile/ModuleLookup.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

Names order(const ModuleList::List& modules)
{
    Names names;
    for (const auto& m : modules)
        names.push_back(std::string(m->instanceName()));
    return names;
}

struct ModuleListCase : ::testing::Test {
    std::shared_ptr<SigDbase> db = testDbase();
    ModuleList list;
};

} // namespace

TEST_F(ModuleListCase, KeepingTheOrder)
{
    auto a = newModule("OSC", "a", db), b = newModule("OSC", "b", db), c = newModule("OSC", "c", db);
    auto d = newModule("OSC", "d", db), e = newModule("OSC", "e", db), x = newModule("OSC", "x", db);
    list.addModule(a);
    list.addModule(b);
    list.addModuleAfter(c, 1);  // after the last index appends
    list.addModuleBefore(d, 3); // before the count appends
    list.addModuleBefore(e, 0);
    EXPECT_EQ(order(list.listOfModules()), (Names{"e", "a", "b", "c", "d"}));
    list.moveModule(*e, *c);
    list.moveModule(*x, *a); // modules outside the list move nothing
    list.moveModule(*a, *x);
    EXPECT_EQ(order(list.listOfModules()), (Names{"a", "b", "c", "e", "d"}));
    EXPECT_FALSE(list.addModuleAfter(x, *x, false));
    EXPECT_TRUE(list.addModuleAfter(x, *a, true));
    EXPECT_EQ(order(list.listOfModules()), (Names{"a", "x", "b", "c", "e", "d"}));
    list.removeModule(x.get());
    list.removeModuleAtIndex(99);
    list.replaceModuleAtIndex(0, x);
    EXPECT_EQ(order(list.listOfModules()), (Names{"x", "b", "c", "e", "d"}));
    EXPECT_EQ(list.indexOfModule(a.get()), ModuleList::npos);
    EXPECT_EQ(list.findModuleByName("E"), e);

    // Positions can skip comments.
    list.setListOfModules({readModule(";one", db), a, readModule(";two", db), b});
    EXPECT_EQ((ModuleList::List{list.indexMod(1, true), list.indexMod(1, false), list.indexMod(2, true)}),
              (ModuleList::List{b, a, nullptr}));
    EXPECT_EQ((std::vector{list.modIndex(b.get(), true), list.modIndex(b.get(), false),
                           list.modIndex(newModule("OSC", "z", db).get(), true)}),
              (std::vector{size_t(1), size_t(3), ModuleList::npos}));
}

TEST_F(ModuleListCase, ConnectionQueriesAndCopies)
{
    auto osc = newModule("OSC", "osc", db);
    auto f1 = newModule("FILTER", "f1", db);
    auto f2 = newModule("FILTER", "f2", db);
    auto knob = newModule("KNOB", "k", db);
    list.setListOfModules({osc, f1, f2, knob});
    f2->field("in")->source(osc->field("out"), std::nullopt, false);
    f1->field("in")->source(osc->field("out"), std::nullopt, false);
    osc->field("fm")->source(osc->field("out"), std::nullopt, false);
    f1->field("cutoff")->source(knob->field("out"), std::nullopt, false);

    // In list order, then field order.
    EXPECT_EQ(list.fieldsConnectedTo(*osc->field("out")),
              (Module::FieldList{osc->field("fm"), f1->field("in"), f2->field("in")}));
    EXPECT_EQ(osc->field("out")->numConnects(), 3);

    ModuleList::List modules;
    list.getModules(modules, *f1->field("in"));
    EXPECT_EQ(modules, (ModuleList::List{osc})) << "an input reaches its source's module";
    list.getModules(modules, *osc->field("out"));
    EXPECT_EQ(modules, (ModuleList::List{osc, f1, f2})) << "no duplicates";
    ModuleList::List fedBy;
    list.appendModulesConnectedTo(*knob->field("out"), fedBy);
    list.appendModulesConnectedTo(*knob->field("out"), fedBy);
    EXPECT_EQ(fedBy, (ModuleList::List{f1}));

    // A signal may feed its own module.
    EXPECT_EQ(list.validConnectionsFor(*f1->field("in")),
              (Module::FieldList{osc->field("out"), f1->field("out"), f2->field("out")}));
    EXPECT_TRUE(list.validConnectionsFor(*osc->field("obj")).empty()) << "no other module takes objects";

    EXPECT_EQ((Module::FieldList{list.hasInputFrom(osc.get(), OperatorEntry::SIGNAL),
                                 list.hasInputFrom(knob.get(), OperatorEntry::CONTROL),
                                 list.hasInputFrom(knob.get(), OperatorEntry::SIGNAL), list.hasInputFrom(nullptr, -1),
                                 list.hasOutputTo(f2.get(), -1), list.hasOutputTo(knob.get(), -1)}),
              (Module::FieldList{osc->field("fm"), f1->field("cutoff"), nullptr, osc->field("fm"), f2->field("in"),
                                 nullptr}));
    knob->field("out")->setAsWP(true);
    EXPECT_EQ(list.hasWPFields(), 1);

    // Copying keeps every wire, a ring among them.
    f1->field("in")->source(f2->field("out"), std::nullopt, false);
    f2->field("in")->source(f1->field("out"), std::nullopt, false);
    osc->field("fm")->source(f2->field("out"), std::nullopt, false);

    auto copy = list.copy();
    ASSERT_EQ(copy->listOfModules(), list.listOfModules());
    EXPECT_EQ((Module::FieldList{f1->field("in")->source(), f2->field("in")->source(), osc->field("fm")->source()}),
              (Module::FieldList{f2->field("out"), f1->field("out"), f2->field("out")}));
    EXPECT_EQ(f2->field("out")->numConnects(), 2) << "copying the same wires changes no count";

    // Copies of the modules get wires between the copies; wires to modules
    // outside the copied list stay.
    auto outside = newModule("OSC", "outside", db);
    f1->field("cutoff")->source(outside->field("mod"), std::nullopt, false);
    ModuleList copies;
    copies.setListOfModules({osc->copy(), f1->copy(), f2->copy(), knob->copy()});
    copies.copyConnections(list);
    auto& c = copies.listOfModules();
    EXPECT_EQ((Module::FieldList{c[1]->field("in")->source(), c[2]->field("in")->source(), c[0]->field("fm")->source(),
                                 c[1]->field("cutoff")->source()}),
              (Module::FieldList{c[2]->field("out"), c[1]->field("out"), c[2]->field("out"), outside->field("mod")}));
    EXPECT_EQ((std::pair<int, int>{c[2]->field("out")->numConnects(), outside->field("mod")->numConnects()}),
              (std::pair{2, 2}));

    for (ModuleList::List other : {ModuleList::List{osc}, ModuleList::List{osc, newModule("MIX", "m", db), f2, knob}}) {
        ModuleList wrong;
        wrong.setListOfModules(other);
        EXPECT_THROW(wrong.copyConnections(list), TkxException) << other.size() << " modules";
    }
}

TEST_F(ModuleListCase, ResetConnectionsRestoresDefaultsOfShownPins)
{
    auto filter = newModule("FILTER", "f", db);
    auto other = newModule("FILTER", "g", db);
    list.setListOfModules({filter, other});
    filter->field("in")->setText("gone-out");
    filter->field("cutoff")->setText("99");
    other->field("in")->setText("gone-out");
    other->field("cutoff")->setText("5");
    // Pasted as read: every pin of a placed module shown, none of one
    // without a place; a pin not shown keeps its text.
    filter->moveToPosition({100, 40});
    other->moveToPosition({300, 40});
    other->field("in")->setHideCount(1);
    list.resetConnections();
    // cutoff out of range goes back to its default; a valid constant stays.
    EXPECT_EQ((Names{filter->fieldText("in"), filter->fieldText("cutoff"), other->fieldText("in"),
                     other->fieldText("cutoff")}),
              (Names{"", "0", "gone-out", "5"}));
}

TEST_F(ModuleListCase, NamesStayUniqueWhenModulesArrive)
{
    list.setListOfModules({newModule("OSC", "lfo1", db), newModule("OSC", "osc", db)});
    EXPECT_EQ(std::pair(list.isModuleNameUnique("lfo1"), list.isModuleNameUnique("LFO1")), std::pair(false, true));
    EXPECT_EQ(list.nameFieldList(false).size(), 2u);

    ModuleList::List arriving{newModule("OSC", "lfo1", db), newModule("OSC", "lfo1", db), newModule("OSC", "osc", db),
                              newModule("OSC", "new", db)};
    list.makeNamesUnique(arriving, 0);
    EXPECT_EQ(order(arriving), (Names{"lfo2", "lfo3", "osc1", "new"}));

    auto single = newModule("OSC", "osc", db);
    list.makeNameUnique(*single, 0);
    EXPECT_EQ(single->instanceName(), "osc1") << "only the patch counts, not the earlier arrivals";

    // A module already in the list keeps its name when nobody else has it.
    auto member = list.moduleAtIndex(1);
    list.makeNameUnique(*member, 0);
    EXPECT_EQ(member->instanceName(), "osc");
}

TEST_F(ModuleListCase, VisibleAreaUnitesTheDrawnModules)
{
    EXPECT_EQ(list.visibleArea(-1), Rect());
    auto a = newModule("OSC", "a", db);
    auto b = newModule("OSC", "b", db);
    auto hidden = newModule("SPREAD", "s", db);
    a->moveToPosition({100, 50});
    b->moveToPosition({300, 200});
    hidden->moveToPosition({900, 900});
    list.setListOfModules({a, b, hidden});
    b->field("fm")->source(a->field("out"), std::nullopt, false);
    // Only connected signal pins shown: SPREAD has none and is not drawn.
    EXPECT_EQ(list.visibleArea(Module::SHOW_SIGNAL), Rect(100 - 87.0 / 7, 49, 380 + 87.0 / 7 - (100 - 87.0 / 7), 216));
}

// Far more names than the index starts with: the first module of a name,
// case ignored, is the one found, also for modules added after the list.
TEST_F(ModuleListCase, LookupFindsTheFirstModuleOfEachName)
{
    ModuleList::List modules;
    for (int i = 0; i < 100; ++i)
        modules.push_back(newModule("OSC", "osc" + std::to_string(i), db));
    auto again = newModule("OSC", "OSC7", db), later = newModule("OSC", "Late", db);
    auto laterAgain = newModule("OSC", "late", db);
    list.setListOfModules(modules);
    list.addModule(again);
    ModuleLookup lookup(list);
    lookup.add(*later);
    lookup.add(*laterAgain);
    const struct {
        std::string name;
        Module* found;
    } cases[] = {
        {"osc0", modules[0].get()}, {"OSC99", modules[99].get()},
        {"osc7", modules[7].get()}, {"Osc7", modules[7].get()},
        {"LATE", later.get()},      {"osc100", nullptr},
        {"osc", nullptr},           {"", nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lookup.find(c.name), c.found) << c.name;
    EXPECT_EQ(ModuleLookup().find("osc0"), nullptr);
}
