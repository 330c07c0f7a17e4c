#include "database/OperatorDesc.h"
#include "database/OperatorEntry.h"
#include "database/OperatorField.h"

#include <gtest/gtest.h>

using namespace tosk;

TEST(OperatorTables, KeysEntryTypesAndClassesMapBothWays)
{
    // The record class of each key: text 1, type 3, class 4, numeric 2.
    const char* keys[] = {
        "NAME",           "TYPE",          "DESCRIPTION",    "MINIMUM",      "MAXIMUM",      "ACTION_SPECIFIER",
        "MULTIPLE_COUNT", "OPERATOR_NAME", "OPERATOR_CLASS", "DISPLAY_SIZE", "STORAGE_SIZE", "CONNECT_TAG",
        "CONNECT_CLASS",  "ATTRIBUTE",     "DEFAULT"};
    const std::string kinds = "131111114221111";
    for (int32_t code = 0; code < 15; ++code) {
        EXPECT_STREQ(OperatorField::keyName(code), keys[code]);
        auto field = OperatorField::newField(keys[code], " value ");
        ASSERT_TRUE(field) << keys[code];
        EXPECT_EQ(field->fieldType(), code);
        EXPECT_EQ(field->valueType(), kinds[code] - '0') << keys[code];
        EXPECT_EQ(field->text(), " value ");
        EXPECT_EQ(field->fieldDescName(), keys[code]);
    }
    EXPECT_EQ(OperatorField::keyName(15), nullptr);
    EXPECT_EQ(OperatorField::newField("COLOUR", "red"), nullptr);
    EXPECT_EQ(OperatorField::newField("name", "x"), nullptr) << "keys are case-sensitive";
    EXPECT_EQ(OperatorField::newField("NAME ", "x"), nullptr);

    for (int32_t code = 0; code < 55; ++code)
        EXPECT_EQ(OperatorEntry::typeCode(OperatorEntry::typeName(code)), code) << code;
    EXPECT_STREQ(OperatorEntry::typeName(27), "ED_USER_OBJECT_TYPE");
    EXPECT_STREQ(OperatorEntry::typeName(40), "CONST_USER_OBJECT_TYPE");
    EXPECT_STREQ(OperatorEntry::typeName(54), "COLLECT");
    EXPECT_EQ(OperatorEntry::typeName(55), nullptr);
    EXPECT_EQ(OperatorEntry::typeName(-1), nullptr);
    EXPECT_EQ(OperatorEntry::typeCode("ED_REAL"), 19);
    EXPECT_EQ(OperatorEntry::typeCode("ED_INTEGER"), 17);
    EXPECT_EQ(OperatorEntry::typeCode("ed_float"), -1);

    const char* classes[] = {"BRIDGE",     "CONTROLMATH", "CONTROLPROCESS", "DELAY",  "DETECTOR",      "DYNAMIC",
                             "EXTERNAL",   "FILTER",      "INTERFACE",      "MATH",   "MISCELLANEOUS", "MIXER",
                             "OSCILLATOR", "PITCHSHIFT",  "REVERB",         "SYSTEM", "NODE"};
    for (int32_t id = 0; id < 17; ++id) {
        EXPECT_STREQ(OperatorDesc::className(id), classes[id]);
        EXPECT_EQ(OperatorDesc::classId(classes[id]), id);
    }
    EXPECT_STREQ(OperatorDesc::className(17), "UNKNOWN");
    EXPECT_EQ(OperatorDesc::classId("filter"), 7);
    EXPECT_EQ(OperatorDesc::classId("FILTERS"), 17);
    EXPECT_EQ(OperatorDesc::classId("UNKNOWN"), 17);
}

TEST(OperatorField, PlainTextsAndTypesAndNumbers)
{
    OperatorField plain;
    EXPECT_EQ(plain.fieldType(), OperatorField::DEFAULT);
    EXPECT_EQ(plain.text(), "");
    EXPECT_EQ(plain.valueType(), 0);
    plain.setText("abc");
    EXPECT_EQ(plain.subText(), "abc");
    plain.setText(static_cast<const char*>(nullptr));
    EXPECT_EQ(plain.text(), "");
    plain.setFieldType(15);
    EXPECT_EQ(plain.fieldDescName(), "Unknown OperatorField type");

    OperatorTypeField type(OperatorField::TYPE, "ED_SIGNAL");
    EXPECT_EQ(type.osdType(), 23);
    type.setText("ED_REAL");
    EXPECT_EQ(type.osdType(), 19);
    type.setText("nonsense");
    EXPECT_EQ(type.osdType(), -1);

    EXPECT_EQ(OperatorField::integerValue("  -12dB"), -12);
    EXPECT_EQ(OperatorField::integerValue("=#channels"), 0);
    EXPECT_EQ(OperatorField::integerValue("99999999999"), 2147483647);
    EXPECT_DOUBLE_EQ(OperatorField::decimalValue(" 1.20 beta"), 1.2);
    EXPECT_DOUBLE_EQ(OperatorField::decimalValue(".25"), 0.25);
    EXPECT_DOUBLE_EQ(OperatorField::decimalValue("v1.2"), 0);
}

TEST(OperatorEntry, TypeItemStandsFirstAndTheLastOneReadWins)
{
    OperatorEntry entry;
    EXPECT_EQ(entry.entryType(), 0) << "an entry without a TYPE item";
    entry.addField(OperatorField::newField("NAME", "gain"));
    entry.addField(OperatorField::newField("TYPE", "ED_CONTROL"));
    entry.addField(OperatorField::newField("DESCRIPTION", "gain"));
    entry.addField(OperatorField::newField("MAXIMUM", "10"));
    EXPECT_EQ(entry.entryType(), 22);
    entry.addField(OperatorField::newField("TYPE", "ED_SIGNAL"));
    EXPECT_EQ(entry.entryType(), 23);
    ASSERT_EQ(entry.count(), 5u);
    EXPECT_EQ(entry.operatorData()[0]->text(), "ED_SIGNAL");
    EXPECT_EQ(entry.operatorData()[1]->text(), "ED_CONTROL");
    EXPECT_EQ(entry.operatorData()[2]->text(), "gain");

    EXPECT_EQ(entry.name(), "gain");
    EXPECT_EQ(entry.nameForType(OperatorField::MAXIMUM), "10");
    EXPECT_EQ(entry.nameForType(OperatorField::MINIMUM), "");
    EXPECT_EQ(entry.operatorFieldForType(OperatorField::TYPE)->text(), "ED_SIGNAL");
    EXPECT_EQ(entry.operatorFieldForType(OperatorField::DEFAULT), nullptr);
    EXPECT_EQ(entry.operatorFieldForName("gain")->fieldType(), OperatorField::NAME) << "the first item with the text";
    EXPECT_EQ(entry.operatorFieldForName("Gain"), nullptr) << "compared exactly";
    EXPECT_EQ(entry.description(), "type: ED_SIGNAL name: gain  fields: (TYPE: ED_SIGNAL) (TYPE: ED_CONTROL) "
                                   "(NAME: gain) (DESCRIPTION: gain) (MAXIMUM: 10) ");

    OperatorEntry unknown;
    unknown.addField(OperatorField::newField("TYPE", "ed_float"));
    EXPECT_EQ(unknown.entryType(), -1);
    EXPECT_EQ(unknown.description(), "type: (null) name:   fields: (TYPE: ed_float) ");
    EXPECT_EQ(OperatorEntry(47).entryType(), 47);
}

TEST(OperatorDesc, LookupsIgnoreCaseButAnswerTheTextAsWritten)
{
    OperatorDesc op;
    EXPECT_EQ(op.name(), "");
    EXPECT_EQ(op.operatorId(), 17);
    EXPECT_EQ(op.description(), " operatorData is nil");

    auto header = std::make_shared<OperatorEntry>();
    header->addField(OperatorField::newField("TYPE", "OPERATOR"));
    header->addField(OperatorField::newField("OPERATOR_NAME", "menupage"));
    header->addField(OperatorField::newField("OPERATOR_CLASS", "Interface"));
    auto title = std::make_shared<OperatorEntry>();
    title->addField(OperatorField::newField("TYPE", "ED_STRING"));
    title->addField(OperatorField::newField("NAME", "Title"));
    title->addField(OperatorField::newField("DESCRIPTION", "8 char name"));
    auto out = std::make_shared<OperatorEntry>();
    out->addField(OperatorField::newField("TYPE", "USEROBJ"));
    out->addField(OperatorField::newField("NAME", "page"));
    out->addField(OperatorField::newField("CONNECT_TAG", "page"));
    op.addEntry(header);
    op.addEntry(title);
    op.addEntry(out);

    EXPECT_EQ(op.name(), "MENUPAGE");
    EXPECT_EQ(op.operatorId(), 8);
    EXPECT_STREQ(op.operatorName(), "INTERFACE");
    EXPECT_EQ(op.findEntryText(0, OperatorField::OPERATOR_NAME), "menupage");
    EXPECT_EQ(op.findEntryText(0, OperatorField::OPERATOR_CLASS), "Interface");
    EXPECT_EQ(op.findEntryText(0, OperatorField::DEFAULT), "");
    EXPECT_EQ(op.findEntryName("title"), title);
    EXPECT_EQ(op.findEntryName("8 CHAR NAME", OperatorField::DESCRIPTION), title);
    EXPECT_EQ(op.findEntryName("title", OperatorField::DESCRIPTION), nullptr);
    EXPECT_EQ(op.findEntryKey(13, OperatorField::CONNECT_TAG), out);
    EXPECT_EQ(op.findEntryKey(20, OperatorField::CONNECT_TAG), nullptr);
    EXPECT_EQ(op.findEntryKey(13), out);

    EXPECT_EQ(op.count(), 3u);
    EXPECT_EQ(op.entryAtIndex(1), title);
    EXPECT_EQ(op.getIndexEntry(2), out);
    EXPECT_EQ(op.entryAtIndex(3), nullptr);
    EXPECT_EQ(op.indexOfEntry(out.get()), 2u);
    EXPECT_EQ(op.getEntryIndex(out.get()), 2);
    OperatorEntry stranger;
    EXPECT_EQ(op.indexOfEntry(&stranger), OperatorDesc::npos);
    EXPECT_EQ(op.getEntryIndex(&stranger), -1);

    EXPECT_EQ(op.description(),
              "MENUPAGE operatorData count = 3\n    [ : OPERATOR]\n    [Title : ED_STRING]\n    [page : USEROBJ]\n");
}
