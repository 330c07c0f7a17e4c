// Modules of the operator database that ships with Tosk.
#include "ModelTestSupport.h"

#include "Toskfile/ModuleList.h"
#include "base/PreferenceController.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

TEST(BundledModel, HeadOfTheEightChannelUnit)
{
    auto db = bundledDbase();
    auto head = newModule("HEADM", "adc", db);
    EXPECT_EQ(names(*head),
              (Names{"opstart_name", "obj_desription", "obj_tag", "ninputs", "noutputs", "nobjects", "null", "zero",
                     "nullobj", "in1", "in2", "pedal1", "pedal2", "tempo", "out1in", "out2in", "obj1in"}));
    EXPECT_TRUE(head->isHead());
    EXPECT_EQ(head->field("in2")->getName(), "in2");
    EXPECT_EQ(head->field("noutputs")->getSpecifier(OperatorField::MAXIMUM), "8") << "=#channels";

    std::string msg;
    EXPECT_TRUE(head->field("noutputs")->isValueValid("8", msg));
    EXPECT_FALSE(head->field("noutputs")->isValueValid("9", msg));
    EXPECT_FALSE(head->field("obj_desription")->isValueValid("a program name of 25 chars", msg));
    EXPECT_EQ(msg, "number of outputs must be greater than 1 and less than 8.\n"
                   "program name must be 24 characters or less.\n");
    EXPECT_TRUE(head->field("opstart_name")->isValueValid("a name without a storage size", msg));

    // Eight outputs, laid out with every pin shown.
    auto wide = readModule("HEADM adc Demo demo 2 8 1 a-out b-out c-out d-out e-out f-out g-out h-out x-obj", db);
    EXPECT_EQ(wide->field("out8in")->text(), "h-out");
    EXPECT_EQ(wide->update(-1), 10) << "9 input pins (8 outputs, 1 object) and 8 output pins";
    EXPECT_EQ(wide->orderCircle(), Rect(20, 12, 40, 40)) << "the head's badge sits at the corner";
}

TEST(BundledModel, RepeatedFieldsNamedInTheMiddle)
{
    auto db = bundledDbase();
    auto taps = newModule("MULTITAP", "taps", db);
    EXPECT_EQ(taps->fieldText("taps"), "4");
    EXPECT_EQ(taps->field("obj3_level")->text(), "0.5");
    EXPECT_EQ(taps->field("obj2_delay")->text(), "100");
    taps->field("obj3_delay")->setText("300");
    auto added = taps->addIteratedField(*taps->field("obj2_level"), nullptr);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->name(), "obj3_delay");
    EXPECT_EQ(added->text(), "100");
    EXPECT_EQ(taps->field("obj4_delay")->text(), "300");
    EXPECT_EQ(taps->fieldText("taps"), "5");
    taps->deleteIteratedField(*added);
    EXPECT_EQ(taps->field("obj3_delay")->text(), "300");
    EXPECT_EQ(taps->fieldText("taps"), "4");
    EXPECT_FALSE(taps->field("obj5_delay"));
}

TEST(BundledModel, CountsComputedFromTheUnit)
{
    auto db = bundledDbase();
    auto geq = newModule("GEQ", "eq", db);
    EXPECT_TRUE(geq->field("gain10"));
    EXPECT_FALSE(geq->field("gain11"));
    EXPECT_EQ(geq->fieldAtIndex(3)->text(), "10");
    EXPECT_TRUE(geq->fieldAtIndex(3)->isInvisible());
    PreferenceController::shared().setHighSampleRate(true);
    auto highEq = newModule("GEQ", "eq", db);
    PreferenceController::shared().setHighSampleRate(false);
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

TEST(BundledModel, AKnobTakesTheRangeOfWhatItDrives)
{
    auto db = bundledDbase();
    auto knob = newModule("KNOB", "cut", db);
    auto filter = newModule("LOWPASS", "lp", db);
    filter->field("freq")->source(knob->field("out"), std::nullopt, true);
    EXPECT_EQ(knob->fieldText("min"), "20");
    EXPECT_EQ(knob->fieldText("max"), "20000") << "evaluated for the normal rate";
    EXPECT_EQ(knob->fieldText("default"), "1000");
    EXPECT_EQ(knob->fieldText("menu"), "freq:%5.2f");

    ModuleList patch;
    patch.setListOfModules({knob, filter});
    auto valid = patch.validConnectionsFor(*knob->field("out"));
    Names targets;
    for (const auto& f : valid)
        targets.push_back(f->moduleFieldName());
    EXPECT_EQ(targets, (Names{"lp-freq", "lp-q"}));
}

TEST(BundledModel, SpecialKindsAndBoxes)
{
    auto db = bundledDbase();
    EXPECT_EQ(newModule("WAVEFORM", "w", db)->moduleType(), Module::WAVEFORM);
    EXPECT_EQ(newModule("MULTITAP2", "t", db)->moduleType(), Module::MULTITAP2);
    EXPECT_EQ(newModule("N_EXTCONTROL", "x", db)->moduleType(), Module::N_EXTCONTROL);
    EXPECT_TRUE(newModule("MARKER", "m", db)->isMarker());
    EXPECT_TRUE(newModule("TAIL", "t", db)->isTail());
    EXPECT_EQ(newModule("REMOTER", "r", db)->update(7), 4);
    EXPECT_EQ(newModule("MARKER", "m", db)->update(7), 4);
    EXPECT_EQ(newModule("SINE", "s", db)->update(7), 0);
}
