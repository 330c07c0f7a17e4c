// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelTestSupport.h"

#include "Toskfile/ModuleBuilder.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/SigFile.h"
#include "base/Alerts.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

struct ModuleConstruction : ::testing::Test {
    std::shared_ptr<SigDbase> db = testDbase();
    // The module of a text's first record, and the token after that record.
    std::pair<Module::Ptr, std::string> readFrom(const std::string& text)
    {
        SigfileTokenizer tokens = SigfileTokenizer::tokenizerWithString(text);
        auto module = Module::moduleNamed(tokens.nextToken().value_or(""), tokens, db);
        return {module, tokens.nextToken().value_or("")};
    }
};

TEST_F(ModuleConstruction, RecordValuesInfoCommentsAndUnknownOperators)
{
    auto [osc, after] =
        readFrom("OSC osc1 220 0.750 a-out\r\n; a comment between values\r\nobj-obj ;=100,50,80,0 f= 2,1\r\nNEXT");
    EXPECT_EQ(names(*osc), (Names{"opstart_name", "freq", "level", "fm", "objin", "out", "mod", "obj"}));
    EXPECT_EQ(texts(*osc), (Names{"osc1", "220", "0.75", "a-out", "obj-obj", "obj-obj", "obj-obj", "obj-obj"}));
    EXPECT_EQ(osc->moduleInfo(), " ;=100,50,80,0 f= 2,1");
    EXPECT_EQ(after, "NEXT") << "the record took exactly its own tokens";

    // A token that is not an info token is left for the next record.
    auto [o, next] = readFrom("OSC o 1 0 a b OSC");
    EXPECT_EQ(std::pair(o->rect(), next), std::pair(Rect(), std::string("OSC")));

    // A record that ends early keeps the fields made so far.
    EXPECT_EQ(texts(*readModule("OSC short 100", db)), (Names{"short", "100"}));

    // A record beginning with ";" is a comment module.
    auto comment = readModule(";just words", db);
    EXPECT_TRUE(comment->isComment());
    EXPECT_EQ(texts(*comment), Names{"just words"});

    // An unknown operator becomes a comment of its record, with an alert.
    NoWindowServices noWindow;
    LogCapture quiet;
    auto [module, stop] = readFrom("NOSUCH 1 two 3\r\nOSC o 1");
    EXPECT_EQ(texts(*module), Names{"NOSUCH 1 two 3"});
    EXPECT_EQ(stop, "OSC") << "reading stops at the next operator";
    EXPECT_EQ(alertLines(module->buildProblems().list()),
              Names{"Informational | Module Build | 'NOSUCH' is not a valid operator for this SigDatabase. | OK"});

    EXPECT_EQ(alertLines(Module::moduleNamed("%s%n", std::nullopt, db)->buildProblems().list()),
              Names{"Informational | Module Build | '%s%n' is not a valid operator for this SigDatabase. | OK"})
        << "a name is never a format";
}

TEST_F(ModuleConstruction, NewModulesTakeSafeDefaults)
{
    auto osc = newModule("OSC", "osc", db);
    EXPECT_EQ(texts(*osc), (Names{"osc", "440", "0.5", "0.500", "0.500", "0.500", "0.500", "0.500"}))
        << "inputs and outputs of a new module take the running value";
    // The name is a string with no default and no minimum; 0.000 is 0.
    EXPECT_EQ(texts(*Module::moduleNamed("KNOB", std::nullopt, db)), (Names{"0", "0", "Knob:%5.2f", "0", "1", "0.5"}));

    auto entry = [](std::initializer_list<std::pair<int, const char*>> items, int type) {
        OperatorEntry e(type);
        for (auto [key, text] : items)
            e.addField(std::make_unique<OperatorField>(key, text));
        return GetSafeMinimum(e);
    };
    EXPECT_EQ(entry({{OperatorField::DEFAULT, "3"}, {OperatorField::MINIMUM, "1"}}, OperatorEntry::ED_INT), "3");
    EXPECT_EQ(entry({{OperatorField::MINIMUM, "-2"}}, OperatorEntry::ED_INT), "-2");
    EXPECT_EQ(entry({{OperatorField::DEFAULT, "=@n/2/#mul"}}, OperatorEntry::ED_INT), "0") << "never evaluated";
    EXPECT_EQ(entry({{OperatorField::DEFAULT, "abc"}}, OperatorEntry::ED_CONTROL), "0");
    EXPECT_EQ(entry({{OperatorField::DEFAULT, "abc"}}, OperatorEntry::ED_STRING), "abc");
    EXPECT_EQ(entry({}, OperatorEntry::ED_STRING), "0");
}

TEST_F(ModuleConstruction, RepeatedGroupsUnroll)
{
    auto fresh = newModule("MIX", "m", db);
    EXPECT_EQ(names(*fresh), (Names{"opstart_name", "count", "in1", "gain1", "tap1", "out"}));
    EXPECT_EQ(fresh->fieldText("count"), "1") << "a default of 0 makes one repetition";
    EXPECT_EQ(fresh->field("count")->numIterations(), 1);

    auto two = readModule("MIX m 2 a-out 0.5 b-out 0.25 ;=40,60,80,0 f= 3,2", db);
    EXPECT_EQ(names(*two), (Names{"opstart_name", "count", "in1", "gain1", "tap1", "in2", "gain2", "tap2", "out"}));
    EXPECT_EQ(texts(*two), (Names{"m", "2", "a-out", "0.5", "0.5", "b-out", "0.25", "0.25", "0.25"}));
    auto count = two->field("count");
    for (const char* n : {"in1", "gain1", "tap1", "in2", "gain2", "tap2"})
        EXPECT_EQ(two->field(n)->iterator(), count.get()) << n;
    EXPECT_FALSE(two->field("out")->iterator());
    EXPECT_EQ(two->field("IN2")->getInstance(), 2);

    // A count of 0 read from a record: no values, one set of outputs.
    auto [none, next] = readFrom("MIX m 0 OSC");
    EXPECT_EQ(names(*none), (Names{"opstart_name", "count", "tap1", "out"}));
    EXPECT_EQ(next, "OSC");

    // A computed count is an invisible field where its group starts.
    auto spread = newModule("SPREAD", "s", db);
    EXPECT_EQ(names(*spread), (Names{"opstart_name", "in", "", "out1", "out2", "out3", "out4"}));
    auto computed = spread->fieldAtIndex(2);
    EXPECT_TRUE(computed->isInvisible());
    EXPECT_EQ(computed->text(), "4") << "8 channels / 2";
    EXPECT_EQ(spread->visibleFieldAtIndex(2)->name(), "out1");
    EXPECT_EQ(spread->field("out4")->iterator(), computed.get());

    // Copies share the entries, keep values, place and hide counts, and
    // rebind repeated fields to their own count; a computed one by its place.
    auto osc = newModule("OSC", "osc", db);
    two->field("in1")->source(osc->field("out"), "osc-out", false);
    SigFile patch;
    two->setDocument(nullptr, &patch);
    auto copy = two->copy();
    EXPECT_EQ(texts(*copy), texts(*two));
    EXPECT_EQ(copy->rect(), two->rect());
    EXPECT_EQ(copy->sigFile(), nullptr);
    for (size_t i = 0; i < copy->fieldCount(); ++i) {
        const auto& f = copy->fieldArray()[i];
        EXPECT_TRUE(f->parent() == copy.get() && f->entry() == two->fieldArray()[i]->entry() && !f->source()) << i;
    }
    EXPECT_EQ(copy->fieldAtIndex(3)->hideCount(), 2);
    EXPECT_EQ(copy->field("gain2")->iterator(), copy->field("count").get());
    auto spreadCopy = spread->copy();
    EXPECT_EQ(spreadCopy->field("out3")->iterator(), spreadCopy->fieldAtIndex(2).get());
}

TEST_F(ModuleConstruction, InconsistentOperatorsFail)
{
    EXPECT_THROW(newModule("BADTYPE", "b", db), TkxException);
    EXPECT_THROW(newModule("OPENGROUP", "g", db), TkxException);
    auto nested = mathDbase("NEST", "TYPE:ED_INT|NAME:n|DEFAULT:1;TYPE:MULTIPLE|NAME:a|ACTION_SPECIFIER:@n;"
                                    "TYPE:MULTIPLE|NAME:b|ACTION_SPECIFIER:@n;TYPE:MULTIPLEEND|NAME:e;"
                                    "TYPE:MULTIPLEEND|NAME:e");
    EXPECT_THROW(newModule("NEST", "n", nested), TkxException);

    // A group whose count field is missing is walked once, ungrouped.
    auto lost = mathDbase("LOST", "TYPE:MULTIPLE|NAME:g|ACTION_SPECIFIER:@nosuch;TYPE:ED_INT|NAME:v~n|DEFAULT:4;"
                                  "TYPE:MULTIPLEEND|NAME:e;TYPE:ED_INT|NAME:scaledata_iterator|DEFAULT:9");
    LogCapture quiet;
    auto module = newModule("LOST", "l", lost);
    EXPECT_EQ(names(*module), (Names{"opstart_name", "v~n", "scaledata_iterator"}));
    EXPECT_FALSE(module->fieldAtIndex(1)->iterator());
}

TEST_F(ModuleConstruction, AddingARepetitionInTheMiddleRenumbersTheRest)
{
    auto mix = readModule("MIX m 3 a-out 0.1 b-out 0.2 c-out 0.3", db);
    Module::FieldList made;
    auto first = mix->addIteratedField(*mix->field("gain2"), &made);
    ASSERT_TRUE(first);
    EXPECT_EQ(names(*mix), (Names{"opstart_name", "count", "in1", "gain1", "tap1", "in2", "gain2", "tap2", "in3",
                                  "gain3", "tap3", "in4", "gain4", "tap4", "out"}));
    EXPECT_EQ(texts(*mix), (Names{"m", "4", "a-out", "0.1", "0.1", "b-out", "0.2", "0.2", "", "1", "", "c-out", "0.3",
                                  "0.3", "0.3"}));
    EXPECT_EQ(first, mix->fieldAtIndex(8));
    EXPECT_EQ(made, (Module::FieldList{mix->field("in3"), mix->field("gain3"), mix->field("tap3")}));

    EXPECT_FALSE(mix->addIteratedField(*mix->field("in1"), nullptr)) << "count at its maximum of 4";
    EXPECT_FALSE(mix->addIteratedField(*mix->field("out"), nullptr)) << "not a repeated field";

    // A record cut short: the new repetition goes in, what was missing stays missing.
    auto cut = readModule("MIX m 2 a-out 0.5", db);
    ASSERT_TRUE(cut->addIteratedField(*cut->field("gain1"), nullptr));
    EXPECT_EQ(names(*cut), (Names{"opstart_name", "count", "in1", "gain1", "tap1", "in2", "gain2", "tap2"}));
    EXPECT_EQ(texts(*cut), (Names{"m", "3", "a-out", "0.5", "0.5", "", "1", ""}));

    // A computed count before the group takes a place in the field list.
    auto db2 = mathDbase("TWO", "TYPE:ED_SIGNAL|NAME:in;TYPE:MULTIPLE|NAME:a|ACTION_SPECIFIER:3/2/#sub;"
                                "TYPE:SIGNAL|NAME:o~n|CONNECT_TAG:o~n;TYPE:MULTIPLEEND|NAME:ae;"
                                "TYPE:ED_INT|NAME:n|MAXIMUM:4|DEFAULT:2;TYPE:MULTIPLE|NAME:b|ACTION_SPECIFIER:@n;"
                                "TYPE:ED_INT|NAME:v~n|DEFAULT:7;TYPE:MULTIPLEEND|NAME:be");
    auto two = newModule("TWO", "t", db2);
    two->field("v1")->setText("1");
    two->field("v2")->setText("2");
    auto added = two->addIteratedField(*two->field("v1"), nullptr);
    EXPECT_EQ(names(*two), (Names{"opstart_name", "in", "", "o1", "n", "v1", "v2", "v3"}));
    EXPECT_EQ(texts(*two), (Names{"t", "0", "1", "0", "3", "1", "7", "2"}));
    EXPECT_EQ(added, two->fieldAtIndex(6));
}

TEST_F(ModuleConstruction, RemovingARepetitionKeepsCountsTrue)
{
    SigFile patch;
    auto osc = newModule("OSC", "osc", db);
    auto mix = readModule("MIX m 3 a 0.1 b 0.2 c 0.3", db);
    auto filter = newModule("FILTER", "f", db);
    for (const auto& m : {osc, mix, filter}) {
        patch.addModule(m);
        m->setDocument(nullptr, &patch);
    }
    mix->field("in2")->source(osc->field("out"), std::nullopt, false);
    filter->field("in")->source(mix->field("tap2"), std::nullopt, false);
    filter->field("cutoff")->source(osc->field("mod"), std::nullopt, false);
    ASSERT_EQ(osc->numRefs(), 2);

    mix->deleteIteratedField(*mix->field("gain2"));
    EXPECT_EQ(names(*mix), (Names{"opstart_name", "count", "in1", "gain1", "tap1", "in2", "gain2", "tap2", "out"}));
    EXPECT_EQ(texts(*mix), (Names{"m", "2", "a", "0.1", "0.1", "c", "0.3", "0.3", "0.3"}))
        << "the third is now the second";
    // The removed input no longer counts; an input fed by a removed output is disconnected.
    EXPECT_EQ((std::vector<int>{osc->field("out")->numConnects(), osc->numRefs(), mix->numRefs()}),
              (std::vector<int>{0, 1, 0}));
    EXPECT_FALSE(filter->field("in")->source());
    EXPECT_EQ(filter->field("cutoff")->source(), osc->field("mod"));
}

TEST_F(ModuleConstruction, UniqueInstanceNames)
{
    // The name a module asking for `name` gets when `taken` are taken.
    auto named = [&](const Names& taken, const std::string& name, char delim = 0) {
        std::vector<Module::Ptr> keep;
        Module::FieldList fields;
        for (const auto& t : taken)
            fields.push_back(keep.emplace_back(newModule("OSC", t, db))->opstartNameField());
        auto m = newModule("OSC", name, db);
        m->makeNameUnique(fields, delim);
        return std::string(m->instanceName());
    };
    // The digit after ^ stays in the name; the first character is never the
    // counter; an empty name counts as a name without a number; case counts.
    EXPECT_EQ((Names{named({}, "osc"), named({"osc"}, "osc"), named({"osc", "osc1"}, "osc"), named({"osc12"}, "osc12"),
                     named({"osc12", "osc13", "osc15"}, "osc12"), named({}, "osc~2"), named({"osc"}, "osc~2"),
                     named({"a^12"}, "a^12"), named({"a^1"}, "a^1"), named({"5"}, "5"), named({""}, ""),
                     named({"OSC"}, "osc"), named({"lfo_1"}, "lfo_7", '_'), named({"lfo"}, "lfo", '_')}),
              (Names{"osc", "osc1", "osc2", "osc13", "osc14", "osc", "osc1", "a^13", "a^11", "51", "1", "osc", "lfo_2",
                     "lfo_1"}));

    // The module's own name field in the list is not a rival.
    auto self = newModule("OSC", "osc3", db);
    self->makeNameUnique(Module::FieldList{self->opstartNameField()}, 0);
    EXPECT_EQ(self->instanceName(), "osc3");

    auto comment = readModule(";note", db);
    EXPECT_THROW(comment->makeNameUnique(Module::FieldList{}, 0), TkxException);
}

TEST_F(ModuleConstruction, InfoTextRoundTrips)
{
    auto osc = newModule("OSC", "osc", db);
    EXPECT_EQ(osc->moduleInfo(), "");
    osc->fieldAtIndex(3)->setHideCount(1);
    osc->fieldAtIndex(5)->setHideCount(2);
    EXPECT_EQ(osc->moduleInfo(), " ;= f= 3,1,5,2");
    osc->setRect(Rect(120.9, 80.2, 96.7, 64));
    EXPECT_EQ(osc->moduleInfo(), " ;=120,80,96,0 f= 3,1,5,2");
    osc->fieldAtIndex(5)->setAsAlwaysHidden(true);
    osc->setRect(Rect(-0.5, 7, 80, 64));
    EXPECT_EQ(osc->moduleInfo(), " ;=0,7,80,0 f= 3,1");

    auto back = newModule("OSC", "back", db);
    EXPECT_TRUE(back->addInfo(osc->moduleInfo().substr(1)));
    EXPECT_EQ(back->moduleInfo(), osc->moduleInfo());
    EXPECT_TRUE(back->addInfo(";=120.9,80.2,96,0"));
    EXPECT_EQ(back->moduleInfo(), " ;=120,80,80,0 f= 3,1") << "the width is a box's, whatever the file said";

    auto other = newModule("OSC", "o", db);
    EXPECT_FALSE(other->addInfo(";=5 f= 0,1,1"));
    EXPECT_EQ(other->moduleInfo(), " ;= f= 0,1")
        << "hide counts stay even when refused; a pair without its count ends the list";
    EXPECT_FALSE(other->addInfo("; just a comment"));
    EXPECT_FALSE(other->addInfo(""));
    EXPECT_TRUE(other->addInfo(";=1,2,x,3,4,5"));
    EXPECT_EQ(other->rect().origin, (Point{1, 2}));
    EXPECT_THROW(other->addInfo(";=1,2 f= 99,1"), TkxException);
    EXPECT_THROW(other->addInfo(";=1,2 f= -1,1"), TkxException);
}

TEST_F(ModuleConstruction, FieldsStayWhereTheyWereMadeAsTheirModuleGrows)
{
    auto osc = newModule("OSC", "osc", db);
    // More than a block holds, so that fields stand in several.
    std::vector<ModuleField*> made;
    for (int i = 0; i < 600; ++i)
        made.push_back(ModuleField::fieldWithParent(osc.get(), std::to_string(i)));
    for (int i = 0; i < 600; ++i)
        EXPECT_TRUE(made[i]->text() == std::to_string(i) && made[i]->parent() == osc.get()) << i;
    EXPECT_EQ(osc->fieldCount(), 8u) << "made, not listed";
}

TEST_F(ModuleConstruction, ModulesFeedingThemselvesAreFreed)
{
    std::weak_ptr<Module> a, b, self, holder;
    ModuleField::Ptr held;
    {
        auto loop = newModule("OSC", "loop", db);
        loop->field("fm")->source(loop->field("out"), std::nullopt, false);
        auto x = newModule("OSC", "x", db);
        auto y = newModule("OSC", "y", db);
        x->field("fm")->source(y->field("out"), std::nullopt, false);
        y->field("fm")->source(x->field("out"), std::nullopt, false);
        ModuleList list;
        list.addModule(x);
        list.addModule(y);
        auto copy = list.copy();
        self = loop;
        a = x;
        b = y;
        auto f = newModule("FILTER", "f", db);
        holder = f;
        held = f->field("in");
    }
    EXPECT_TRUE(self.expired() && a.expired() && b.expired());
    ASSERT_FALSE(holder.expired()) << "a field held keeps its module";
    EXPECT_EQ(held->parent(), holder.lock().get());
    held.reset();
    EXPECT_TRUE(holder.expired());
}
