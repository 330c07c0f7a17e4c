// SPDX-License-Identifier: GPL-3.0-or-later
// Modules of the operator database that ships with Tosk.
#include "ModelTestSupport.h"

#include "Toskfile/ModuleGeometry.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace tosk;
using namespace tosk::test;

struct BundledModel : ::testing::Test {
    std::shared_ptr<SigDbase> db = bundledDbase();
};

// Every operator builds into a module whose limits and repeat counts the
// real evaluator takes; a field a limit or count refers to exists.
TEST_F(BundledModel, EveryOperatorBuildsAndItsLimitsEvaluate)
{
    for (const auto& op : db->sigDbaseData()) {
        SCOPED_TRACE(op->name());
        std::set<std::string> fieldNames;
        for (const auto& e : op->operatorData())
            fieldNames.insert(e->name());
        for (const auto& e : op->operatorData()) {
            for (int32_t key : {OperatorField::MINIMUM, OperatorField::MAXIMUM, OperatorField::ACTION_SPECIFIER}) {
                const std::string& specifier = e->nameForType(key);
                for (size_t at = specifier.find('@'); at != std::string::npos; at = specifier.find('@', at + 1)) {
                    const std::string token = specifier.substr(at + 1, specifier.find('/', at) - at - 1);
                    EXPECT_TRUE(fieldNames.count(token)) << token << " names no field of " << e->name();
                }
            }
        }
        LogCapture log;
        Module::Ptr m;
        ASSERT_NO_THROW(m = newModule(op->name(), "x", db));
        for (const auto& f : m->fieldArray()) {
            EXPECT_NO_THROW(f->getSpecifier(OperatorField::MINIMUM)) << f->name();
            EXPECT_NO_THROW(f->getSpecifier(OperatorField::MAXIMUM)) << f->name();
            EXPECT_TRUE(!f->isInvisible() || std::stod(std::string(f->text())) >= 1) << "a computed count of nothing";
        }
        EXPECT_EQ(log.lines(), Names{});
    }
    EXPECT_FALSE(db->operatorForName("SAMPLER"));

    auto delay = newModule("DELAY", "d", db);
    EXPECT_EQ(delay->field("time")->getSpecifier(OperatorField::MAXIMUM), "2000");
    db->setHighSampleRate(true);
    EXPECT_EQ(delay->field("time")->getSpecifier(OperatorField::MAXIMUM), "1000") << "half the time at twice the rate";
    db->setHighSampleRate(false);

    // A knob takes the range of what it drives, evaluated for the normal rate.
    auto knob = newModule("KNOB", "cut", db);
    newModule("LOWPASS", "lp", db)->field("freq")->source(knob->field("out"), std::nullopt, true);
    EXPECT_EQ(knob->fieldText("min"), "20");
    EXPECT_EQ(knob->fieldText("max"), "20000");
}

TEST_F(BundledModel, HeadOfTheEightChannelUnit)
{
    auto head = newModule("HEADM", "adc", db);
    EXPECT_EQ(head->field("noutputs")->getSpecifier(OperatorField::MAXIMUM), "8") << "=#channels";

    // Eight outputs, laid out with every pin shown.
    auto wide = readModule("HEADM adc Demo demo 2 8 1 a-out b-out c-out d-out e-out f-out g-out h-out x-obj", db);
    EXPECT_EQ(wide->field("out8in")->text(), "h-out");
    EXPECT_EQ(ModuleGeometry::measure(*wide, -1).rows, 10) << "9 input pins (8 outputs, 1 object) and 8 output pins";
}

TEST_F(BundledModel, RepeatedFieldsNamedInTheMiddle)
{
    auto taps = newModule("MULTITAP", "taps", db);
    EXPECT_EQ(taps->fieldText("taps"), "4");
    taps->field("obj3_delay")->setText("300");
    auto added = taps->addIteratedField(*taps->field("obj2_level"), nullptr);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->name(), "obj3_delay");
    EXPECT_EQ(added->text(), "100");
    EXPECT_EQ(taps->field("obj4_delay")->text(), "300");
    EXPECT_EQ(taps->fieldText("taps"), "5");
    taps->deleteIteratedField(*added);
    EXPECT_EQ(taps->field("obj3_delay")->text(), "300");
    EXPECT_FALSE(taps->field("obj5_delay"));
}

TEST_F(BundledModel, CountsComputedFromTheUnit)
{
    auto geq = newModule("GEQ", "eq", db);
    EXPECT_TRUE(geq->field("gain10"));
    EXPECT_FALSE(geq->field("gain11"));
    EXPECT_EQ(geq->fieldAtIndex(3)->text(), "10");
    EXPECT_TRUE(geq->fieldAtIndex(3)->isInvisible());
    db->setHighSampleRate(true);
    auto highEq = newModule("GEQ", "eq", db);
    db->setHighSampleRate(false);
    EXPECT_TRUE(highEq->field("gain11"));

    auto stereo = newModule("CHMIX", "mix", db);
    EXPECT_EQ(stereo->fieldAtIndex(2)->text(), "2");
    std::string record = "CHMIX mix 1";
    for (int i = 1; i <= 8; ++i)
        record += " src-out" + std::to_string(i) + " 1";
    auto surround = readModule(record, db);
    EXPECT_EQ(surround->fieldAtIndex(2)->text(), "8") << "every channel of the unit";
    EXPECT_EQ(surround->field("in8")->text(), "src-out8");
}

TEST_F(BundledModel, SpecialKindsAndBoxes)
{
    EXPECT_EQ(newModule("MULTITAP2", "t", db)->moduleType(), Module::MULTITAP2);
    EXPECT_EQ(newModule("N_EXTCONTROL", "x", db)->moduleType(), Module::N_EXTCONTROL);
    EXPECT_TRUE(newModule("MARKER", "m", db)->isMarker());
    EXPECT_TRUE(newModule("TAIL", "t", db)->isTail());
    EXPECT_EQ(ModuleGeometry::measure(*newModule("MARKER", "m", db), 7).rows, 4);
    EXPECT_EQ(ModuleGeometry::measure(*newModule("SINE", "s", db), 7).rows, 0);
}
