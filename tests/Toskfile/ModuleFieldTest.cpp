// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelTestSupport.h"

#include "Toskfile/InstanceCounter.h"
#include "Toskfile/SigFile.h"
#include "base/Log.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

TEST(ModuleField, SetTextStripsOneQuotePairAndTidiesNumbers)
{
    auto db = testDbase();
    auto osc = newModule("OSC", "osc", db);
    // A decimal, a control, a string and an integer.
    auto level = osc->field("level"), freq = osc->field("freq"), name = osc->field("opstart_name");
    const ModuleField::Ptr mode = newModule("FILTER", "f", db)->field("mode");
    const std::tuple<Module::FieldPtr, const char*, const char*> cases[] = {
        {level, "0.500", "0.5"}, {level, "+3.0", "3"},       {level, "2.0", "2"},          {level, ".25", "0.25"},
        {level, "100", "100"},   {level, "\"1.50\"", "1.5"}, {level, "+7", "7"},           {freq, "1.500", "1.5"},
        {freq, "-.5", "-.5"},    {freq, "+2.50", "+2.5"},    {freq, "osc-out", "osc-out"}, {freq, "10.0x", "10.0x"},
        {mode, "3.0", "3.0"},    {name, "'abc'", "abc"},     {name, "\"a b\"", "a b"},     {name, "\"'x'\"", "'x'"},
        {name, "'", ""},         {name, "\"", ""},           {name, "\"ab'", "\"ab'"},     {name, "", ""},
        {level, ".800.", "0.8"}, {level, "1.0.0", "1"},      {level, "100.", "100"},       {level, "+.5556", "0.5556"},
        {level, "++.5", "0.5"},  {level, "+.", "0"},
    };
    for (const auto& [field, in, out] : cases) {
        field->setText(in);
        EXPECT_EQ(field->text(), out) << in << " on " << field->name();
        // A tidied number tidies to itself, so a saved file reads back the same.
        if (field != name) {
            field->setText(field->text());
            EXPECT_EQ(field->text(), out) << in << " again on " << field->name();
        }
    }
}

TEST(ModuleField, ValidationMessagesWordForWord)
{
    auto db = testDbase();
    auto filter = newModule("FILTER", "f", db);
    auto osc = newModule("OSC", "osc", db);
    // Instance names are unique in the patch.
    SigFile patch;
    patch.addModule(osc);
    patch.addModule(filter);
    osc->setDocument(nullptr, &patch);
    // mode is an integer 0..10, level a decimal -1..1, cutoff a control
    // -12..12 where a name is a connection; a signal input without limits
    // takes a constant, any other kind anything; the name holds 8 bytes. A
    // string without a storage size is not limited to nothing.
    const auto mode = filter->field("mode"), level = osc->field("level"), cutoff = filter->field("cutoff");
    const auto in = filter->field("in"), name = osc->field("opstart_name");
    const ModuleField::Ptr out = newModule("MIX", "m", db)->field("out");
    const OperatorEntry labelEntry(OperatorEntry::ED_STRING);
    const auto label = std::make_shared<ModuleField>("", &labelEntry);
    LogCapture quiet;
    std::string msg;
    const std::pair<Module::FieldPtr, const char*> valid[] = {
        {mode, "10"},        {mode, " 0 "},      {level, "-1"}, {level, "1e0"},
        {cutoff, "osc-out"}, {cutoff, "-12"},    {in, "0.5"},   {out, "anything"},
        {name, "osc"},       {name, "12345678"}, {name, "F"},   {label, "a long label"}};
    for (const auto& [field, value] : valid)
        EXPECT_TRUE(field->isValueValid(value, msg)) << value;
    EXPECT_EQ(msg, "");
    // One message a value, each added to those before.
    const std::pair<Module::FieldPtr, const char*> invalid[] = {{mode, "11"},    {mode, "2.5"},    {level, "1.5"},
                                                                {level, "loud"}, {cutoff, "12.5"}, {name, "123456789"},
                                                                {name, "f"}};
    for (const auto& [field, value] : invalid)
        EXPECT_FALSE(field->isValueValid(value, msg)) << value;
    EXPECT_EQ(msg, "mode must be between 0 and 10.\n"
                   "mode must be an integer value.\n"
                   "level must be between -1 and 1.\n"
                   "level must be a decimal value.\n"
                   "cutoff value must be between -12 and 12.\n"
                   "operator name must be 8 characters or less.\n"
                   "f is not a unique operator name.\n");
}

// The painters number pins in one pass; the numbers and names must be those
// each field counts for itself.
TEST(ModuleField, RepetitionsCountedInOnePassAreTheFieldsOwn)
{
    auto db = mathDbase("T", "TYPE:ED_INT|NAME:a|DEFAULT:3;TYPE:MULTIPLE|NAME:g|ACTION_SPECIFIER:@a;"
                             "TYPE:ED_SIGNAL|NAME:in~n;TYPE:ED_CONTROL|NAME:k~n;TYPE:MULTIPLEEND|NAME:e;"
                             "TYPE:ED_INT|NAME:b|DEFAULT:2;TYPE:MULTIPLE|NAME:h|ACTION_SPECIFIER:@b;"
                             "TYPE:ED_SIGNAL|NAME:in~n;TYPE:ED_CONTROL|NAME:in~n;TYPE:MULTIPLEEND|NAME:f;"
                             "TYPE:SIGNAL|NAME:out|CONNECT_TAG:out");
    auto t = newModule("T", "t", db);
    InstanceCounter counter;
    std::vector<int> counted;
    Names named;
    for (const auto& f : t->fieldArray()) {
        counted.push_back(counter.next(*f));
        EXPECT_EQ(counted.back(), f->getInstance()) << f->name();
        named.push_back(f->entryName(OperatorField::NAME, counted.back()));
        EXPECT_EQ(named.back(), f->name());
    }
    EXPECT_EQ(counted, (std::vector<int>{0, 0, 1, 1, 2, 2, 3, 3, 0, 1, 2, 3, 4, 0}));
    EXPECT_EQ(named, (Names{"opstart_name", "a", "in1", "k1", "in2", "k2", "in3", "k3", "b", "in1", "in2", "in3", "in4",
                            "out"}));
}

TEST(ModuleField, RepeatCountsStayInsideTheirLimits)
{
    auto db = testDbase();
    auto mix = readModule("MIX m 3 a-out 1 b-out 1 c-out 1", db);
    auto count = mix->field("count"); // 1..4
    // The test form changes nothing: the change after it still fits.
    EXPECT_TRUE(count->checkFieldNum(1));
    EXPECT_TRUE(count->changeFieldNum(1, false));
    EXPECT_FALSE(count->changeFieldNum(1, false));
    EXPECT_EQ(count->text(), "4");
    EXPECT_TRUE(count->changeFieldNum(-3, false));
    EXPECT_FALSE(count->checkFieldNum(-1));

    // Without limits the count runs up to 32767.
    auto unlimited = mathDbase("U", "TYPE:ED_INT|NAME:n|DEFAULT:32766;TYPE:MULTIPLE|NAME:g|ACTION_SPECIFIER:@n;"
                                    "TYPE:SIGNAL|NAME:o~n|CONNECT_TAG:o~n;TYPE:MULTIPLEEND|NAME:e");
    auto u = readModule("U u 32766", unlimited);
    EXPECT_TRUE(u->field("n")->changeFieldNum(1, false));
    EXPECT_FALSE(u->field("n")->checkFieldNum(1));
    EXPECT_EQ(u->field("n")->text(), "32767");

    // A damaged count cannot make a group of outputs repeat without end.
    auto damaged = readModule("U u 2000000000", unlimited);
    EXPECT_EQ(damaged->fieldCount(), 2u + Module::kMaxRepetitions);
    EXPECT_EQ(damaged->lastField()->name(), "o32767");
    // Nor past the fields one module can number, for a group of three.
    auto wide = mathDbase("W", "TYPE:ED_INT|NAME:n|DEFAULT:1;TYPE:MULTIPLE|NAME:g|ACTION_SPECIFIER:@n;"
                               "TYPE:SIGNAL|NAME:a~n|CONNECT_TAG:a~n;TYPE:SIGNAL|NAME:b~n|CONNECT_TAG:b~n;"
                               "TYPE:SIGNAL|NAME:c~n|CONNECT_TAG:c~n;TYPE:MULTIPLEEND|NAME:e;"
                               "TYPE:SIGNAL|NAME:last|CONNECT_TAG:last");
    auto capped = readModule("W w 30000", wide);
    ASSERT_TRUE(capped);
    EXPECT_LE(capped->fieldCount(), FieldStore::kMostFields);
    EXPECT_GT(capped->fieldCount(), FieldStore::kMostFields - 8);
    EXPECT_EQ(capped->lastField()->name(), "last");
    EXPECT_EQ(capped->fieldAtIndex(capped->fieldCount() - 2)->name(),
              "c" + std::to_string((capped->fieldCount() - 3) / 3));

    // A computed count cannot be changed by hand.
    const ModuleField::Ptr computed = newModule("SPREAD", "s", db)->fieldAtIndex(2);
    ASSERT_TRUE(computed->isInvisible());
    EXPECT_FALSE(computed->checkFieldNum(1));
}

TEST(ModuleField, NamesOfFieldsAndSources)
{
    auto db = testDbase();
    auto mix = readModule("MIX mixer 3 a-out 1 b-out 1 c-out 1", db);
    EXPECT_EQ(mix->field("tap2")->getName(), "tap2") << "outputs show their connect tag";
    // Only the last ~ counts.
    EXPECT_EQ((Names{ModuleField::setIteration(3, "point~n"), ModuleField::setIteration(12, "a~nb~xc"),
                     ModuleField::setIteration(4, "gain"), ModuleField::setIteration(5, "end~")}),
              (Names{"point3", "a~nb12c", "gain4", "end5"}));

    auto osc = newModule("OSC", "osc1", db);
    auto filter = newModule("FILTER", "f", db);
    auto in = filter->field("in"), cutoff = filter->field("cutoff");
    EXPECT_EQ(in->sourceName(false, false), "");
    in->source(osc->field("out"), std::nullopt, false);
    EXPECT_EQ(in->getName(), "osc1-out");
    EXPECT_EQ(*in->outName(), "out");
    EXPECT_FALSE(cutoff->outName());

    // Path form: the source module inside a super module named voice.
    auto voice = newModule("OSC", "voice", db);
    osc->setParent(voice.get());
    EXPECT_EQ(in->getName(true, false, false, false, false), "voice/osc1-out");
    EXPECT_EQ(in->getName(false, false, false, false, false), "osc1-out");
    osc->setParent(nullptr);

    // Saving names: unconnected inputs name the head's null outputs.
    auto fm = osc->field("fm"), objin = osc->field("objin");
    // A constant is written as it is; names are quoted only with the quote bit.
    cutoff->setText("0.5");
    osc->field("opstart_name")->setText("osc 1");
    // A name in apostrophes keeps them through the reader, which takes one pair off.
    filter->field("opstart_name")->setText("");
    mix->field("opstart_name")->setText("\"'m'\"");
    EXPECT_EQ(
        (Names{fm->getName(14, ""), fm->getName(14, "adc"), objin->getName(14, "adc"), cutoff->getName(14, "adc"),
               in->getName(14, "adc"), in->getName(12, "adc"), filter->field("opstart_name")->getName(14, "adc"),
               mix->field("opstart_name")->getName(14, "adc")}),
        (Names{"head-null", "adc-null", "adc-nullobj", "0.5", "\"osc 1-out\"", "osc 1-out", "\"\"", "\"''m''\""}));
    fm->setAsWP(true);
    EXPECT_EQ(fm->getName(16, "adc"), "<external>");
    EXPECT_EQ(fm->getName(false, false, false, false, false), fm->text());

    // Nodes are looked through when naming; a control reads the node's value.
    auto node1 = newModule("A_TO_A", "n1", db);
    auto node2 = newModule("A_TO_A", "n2", db);
    auto cnode = newModule("C_TO_C", "c1", db);
    node1->field("in")->source(osc->field("out"), std::nullopt, false);
    node2->field("in")->source(node1->field("out"), std::nullopt, false);
    in->source(node2->field("out"), std::nullopt, false);
    cnode->field("in")->setText("0.25");
    cutoff->source(cnode->field("out"), std::nullopt, false);
    EXPECT_EQ((Names{in->sourceName(false, true), in->sourceName(false, false), cutoff->sourceName(false, true)}),
              (Names{"osc 1-out", "n2-out", "0.25"}));
    node1->field("in")->source(nullptr, std::nullopt, false);
    EXPECT_EQ(in->sourceName(false, true), "null-source");

    // Two nodes feeding each other would never end.
    node1->field("in")->source(node2->field("out"), std::nullopt, false);
    EXPECT_EQ(in->sourceName(false, true), "null-source");
    node1->field("in")->source(nullptr, std::nullopt, false);
}

TEST(ModuleField, ConnectionCountsCompatibilityInterfaceDefaultsAndNullOutputs)
{
    auto db = testDbase();
    auto osc = newModule("OSC", "osc", db);
    auto a = newModule("FILTER", "a", db);
    auto b = newModule("FILTER", "b", db);
    auto out = osc->field("out");
    // The wires from osc's output and from b's, and the inputs osc and b feed.
    auto counts = [&] {
        return std::vector<int>{out->numConnects(), osc->numRefs(), b->field("out")->numConnects(), b->numRefs()};
    };
    a->field("in")->source(out, std::nullopt, false);
    b->field("in")->source(out, std::nullopt, false);
    EXPECT_EQ(counts(), (std::vector<int>{2, 2, 0, 0}));
    EXPECT_TRUE(a->field("in")->connectedTo(*osc));
    // Moving an input to another source moves the counts with it.
    a->field("in")->source(b->field("out"), std::nullopt, false);
    EXPECT_EQ(counts(), (std::vector<int>{1, 1, 1, 1}));
    b->field("in")->source(nullptr, "x", false);
    EXPECT_EQ(b->field("in")->text(), "x");
    out->changeConnectCount(7);
    EXPECT_EQ(counts(), (std::vector<int>{0, 0, 1, 1})) << "only 0, 1 and -1 change a count";

    // Type compatibility.
    EXPECT_TRUE(out->typeIsCompatableWith(*osc->field("fm"))) << "signal within one module";
    EXPECT_TRUE(osc->field("mod")->typeIsCompatableWith(*a->field("cutoff")));
    EXPECT_FALSE(osc->field("obj")->typeIsCompatableWith(*osc->field("objin"))) << "objects never loop back";
    auto osc2 = newModule("OSC", "osc2", db);
    EXPECT_TRUE(osc->field("obj")->typeIsCompatableWith(*osc2->field("objin")));
    EXPECT_FALSE(out->typeIsCompatableWith(*a->field("cutoff")));

    // The first wire from a knob gives it the range and default of what it
    // drives; later wires change nothing.
    auto knob = newModule("KNOB", "k", db);
    a->field("cutoff")->source(knob->field("out"), std::nullopt, true);
    EXPECT_EQ(texts(*knob), (Names{"k", "0", "cutoff:%5.2f", "-12", "12", "0"}));
    b->field("cutoff")->source(knob->field("out"), std::nullopt, true);
    knob->setFieldText("min", "-1");
    osc->field("freq")->source(knob->field("out"), std::nullopt, true);
    EXPECT_EQ(knob->fieldText("min"), "-1");
    auto knob2 = newModule("KNOB", "k2", db);
    osc->field("freq")->source(knob2->field("out"), std::nullopt, false);
    EXPECT_EQ(knob2->fieldText("max"), "1") << "only when asked for";

    // The head's null outputs, which unconnected inputs name when saved.
    auto head = newModule("HEADM", "adc", db);
    EXPECT_TRUE(head->field("null")->isNullOutput());
    EXPECT_TRUE(head->field("nullobj")->isNullOutput());
    EXPECT_FALSE(head->field("left")->isNullOutput());
}
