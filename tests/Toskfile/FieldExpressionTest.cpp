// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelTestSupport.h"

#include "Toskfile/MenuStatement.h"
#include "Toskfile/MyExtensions.h"
#include "base/Log.h"
#include "base/NumberText.h"
#include "base/TkxException.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

// A FILTER whose "mode" field holds 12 in the 8-channel test database.
Module::Ptr moduleWithSize12()
{
    auto m = readModule("FILTER f adc-null 0 12", testDbase());
    EXPECT_EQ(m->fieldText("mode"), "12");
    return m;
}

} // namespace

TEST(FieldExpression, EveryOperatorAndTheNumberFormat)
{
    auto m = moduleWithSize12();
    auto eval = [&](const std::string& e) { return m->processStackExpression(e); };
    const std::pair<const char*, const char*> ops[] = {
        {"5", "5"},         {"2/3/#add", "5"},         {"10/4/#sub", "6"},         {"7/2/#div", "3.5"},
        {"3/#neg", "-3"},   {"7/2/#div/#trunc", "3"},  {"-7/2/#div/#trunc", "-3"}, {"6/7/#mul", "42"},
        {"1/2/#ifhi", "2"}, {"@mode/2/#mul", "24"},    {"@MODE/1/#add", "13"},     {"@missing/1/#add", "1"},
        {"#speed", "0"},    {"#channels/2/#div", "4"}, {"5/1/#if", "5"},           {"5/0/#if", "0"}};
    for (const auto& [expression, value] : ops)
        EXPECT_EQ(eval(expression), value) << expression;
    // "if" keeps its first value when the second is any number but 0; a token
    // counts by its leading number; unknown operators leave the stack alone.
    const std::pair<const char*, const char*> more[] = {
        {"5/-1/#if", "5"},      {"5/-0.25/#if", "5"},   {"5/0.5/#if", "5"},   {"5/1000/#if", "5"},
        {"-5/3/#if", "-5"},     {"5/-0/#if", "0"},      {"5/abc/#if", "0"},   {"5/0.00001/#if", "5"},
        {"1/3/#div", "0.3333"}, {"2/3/#div", "0.6667"}, {"3abc/1/#add", "4"}, {"abc/1/#add", "1"},
        {"4/#pow", "4"},        {"1/0/#div", "inf"},    {"-0.00001", "0"}};
    for (const auto& [expression, value] : more)
        EXPECT_EQ(eval(expression), value) << expression;
    EXPECT_EQ(eval("5000000000/#trunc"), "-2147483648");
    EXPECT_EQ(eval("0/0/#div/#trunc"), "-2147483648");

    // The unit's sample rate comes with the database the module was built
    // from, never from a window's preferences.
    m->sigDbase()->setHighSampleRate(true);
    EXPECT_EQ(eval("1/2/#ifhi"), "1");
    EXPECT_EQ(eval("#speed"), "1");
}

TEST(FieldExpression, LeftoverValuesAreIgnoredAndFailuresRaise)
{
    auto m = moduleWithSize12();
    LogCapture quiet;
    EXPECT_EQ(m->processStackExpression("1/2"), "1");
    for (const char* bad : {"#add", "1/#add", "#neg", "#trunc", "1/#if", "1//2", "/1", "1/", "", "#pow"})
        EXPECT_THROW(m->processStackExpression(bad), TkxException) << bad;
}

TEST(FieldExpression, SpecifiersReadFieldsExpressionsAndRepetitions)
{
    auto db = testDbase();
    // MIX gains have MAXIMUM "=@count/2/#mul"; KNOB's default has "@min".
    auto mix = readModule("MIX m 3 a-out 0.5 b-out 0.25 c-out 1 ;=0,0,80,0", db);
    ASSERT_EQ(mix->fieldText("count"), "3");
    auto gain3 = mix->field("gain3");
    ASSERT_TRUE(gain3);
    EXPECT_EQ(gain3->getSpecifier(OperatorField::MAXIMUM), "6");
    EXPECT_EQ(gain3->getSpecifier(OperatorField::MINIMUM), "0");
    EXPECT_EQ(gain3->getSpecifier(OperatorField::STORAGE_SIZE), "") << "absent items read as nothing";

    auto knob = newModule("KNOB", "k", db);
    knob->setFieldText("min", "-12");
    EXPECT_EQ(knob->field("default")->getSpecifier(OperatorField::MINIMUM), "-12");
    knob->removeField(knob->field("min").get());
    EXPECT_EQ(knob->field("default")->getSpecifier(OperatorField::MINIMUM), "") << "a missing field reads as nothing";

    // "~n" in an item is the repetition number of the field reading it.
    std::string text = modelOperator(
        "TAPS", "DELAY",
        {SbfEntry{"TYPE:ED_INT", "NAME:n", "DEFAULT:3"}, SbfEntry{"TYPE:MULTIPLE", "NAME:g", "ACTION_SPECIFIER:@n"},
         SbfEntry{"TYPE:ED_INT", "NAME:len~n", "DEFAULT:0"},
         SbfEntry{"TYPE:ED_INT", "NAME:max~n", "MAXIMUM:=@len~n/2/#mul", "MINIMUM:=@n/1/#sub"},
         SbfEntry{"TYPE:MULTIPLEEND", "NAME:gend"}});
    auto taps = readModule("TAPS t 3 10 0 20 0 30 0", dbaseFromText(text));
    EXPECT_EQ(taps->field("max3")->getSpecifier(OperatorField::MAXIMUM), "60");
    EXPECT_EQ(taps->field("max1")->getSpecifier(OperatorField::MAXIMUM), "20");
    EXPECT_EQ(taps->field("max2")->getSpecifier(OperatorField::MINIMUM), "2");
}

// Qt gives the process the desktop's locale; a German one has a comma
// decimal, which the C library then reads and writes. Files and the unit
// need the point whatever the desktop is.
TEST(FieldExpression, NumbersKeepThePointUnderACommaDecimalLocale)
{
    ScopedCommaLocale german;
    if (!german.active())
        GTEST_SKIP() << "no de_DE locale with a comma decimal can be made here";
    auto m = moduleWithSize12();
    EXPECT_EQ(m->processStackExpression("7/2/#div"), "3.5");
    EXPECT_EQ(m->processStackExpression("1.25/2/#mul"), "2.5");
    EXPECT_EQ(numberString(-0.00005001), "-0.0001");
    EXPECT_EQ(numberString(1.23456), "1.2346");
    EXPECT_TRUE(isNumeric(" 1.5e-3 "));
    EXPECT_FALSE(isNumeric("1,5"));
    EXPECT_EQ(leadingDecimal(" -2.5e1x"), -25);
    EXPECT_EQ(MenuStatement::apply("%6.2f dB", std::string("1.5")), "  1.50 dB");
    EXPECT_EQ(MenuStatement::apply("%+#.3G", 0.5), "+0.500");
    EXPECT_EQ(MenuStatement::apply("%s", 0.5), "0.5");
}
