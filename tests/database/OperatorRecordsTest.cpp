// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/OperatorDesc.h"
#include "database/OperatorEntry.h"
#include "database/OperatorField.h"

#include <gtest/gtest.h>

using namespace tosk;

TEST(OperatorTables, NamesAndCodesMapBothWaysUpToTheirEnds)
{
    for (int32_t code = 0; code < 15; ++code) {
        auto field = OperatorField::newField(OperatorField::keyName(code), " value ");
        ASSERT_TRUE(field) << code;
        EXPECT_EQ(field->fieldType(), code);
        EXPECT_EQ(field->text(), " value ");
    }
    EXPECT_STREQ(OperatorField::keyName(14), "DEFAULT");
    EXPECT_EQ(OperatorField::keyName(15), nullptr);
    for (const char* unknown : {"COLOUR", "name", "NAME "})
        EXPECT_EQ(OperatorField::newField(unknown, "x"), nullptr) << "keys are exact: " << unknown;

    for (int32_t code = 0; code < 55; ++code)
        EXPECT_EQ(OperatorEntry::typeCode(OperatorEntry::typeName(code)), code) << code;
    EXPECT_STREQ(OperatorEntry::typeName(54), "COLLECT");
    EXPECT_EQ(OperatorEntry::typeName(55), nullptr);
    EXPECT_EQ(OperatorEntry::typeName(-1), nullptr);
    EXPECT_EQ(OperatorEntry::typeCode("ED_REAL"), 19);
    EXPECT_EQ(OperatorEntry::typeCode("ED_INTEGER"), 17);
    EXPECT_EQ(OperatorEntry::typeCode("ed_float"), -1);

    for (int32_t id = 0; id < 17; ++id)
        EXPECT_EQ(OperatorDesc::classId(OperatorDesc::className(id)), id);
    EXPECT_STREQ(OperatorDesc::className(16), "NODE");
    EXPECT_STREQ(OperatorDesc::className(17), "UNKNOWN");
    EXPECT_EQ(OperatorDesc::classId("filter"), 7);
    EXPECT_EQ(OperatorDesc::classId("FILTERS"), 17);

    OperatorTypeField type(OperatorField::TYPE, "ED_SIGNAL");
    EXPECT_EQ(type.osdType(), 23);
    type.setText("nonsense");
    EXPECT_EQ(type.osdType(), -1);
    EXPECT_EQ(OperatorField(15, "x").fieldDescName(), "Unknown OperatorField type");

    EXPECT_EQ(OperatorField::integerValue("  -12dB"), -12);
    EXPECT_EQ(OperatorField::integerValue("=#channels"), 0);
    EXPECT_EQ(OperatorField::integerValue("99999999999"), 2147483647);
    EXPECT_DOUBLE_EQ(OperatorField::decimalValue(" 1.20 beta"), 1.2);
    EXPECT_DOUBLE_EQ(OperatorField::decimalValue(".25"), 0.25);
    EXPECT_DOUBLE_EQ(OperatorField::decimalValue("v1.2"), 0);
}

TEST(OperatorDesc, LookupsIgnoreCaseButAnswerTheTextAsWritten)
{
    OperatorDesc op;
    EXPECT_EQ(op.operatorId(), 17);

    auto entry = [](std::initializer_list<std::pair<const char*, const char*>> items) {
        auto e = std::make_shared<OperatorEntry>();
        for (auto [key, text] : items)
            e->addField(OperatorField::newField(key, text));
        return e;
    };
    auto header = entry({{"TYPE", "OPERATOR"}, {"OPERATOR_NAME", "menupage"}, {"OPERATOR_CLASS", "Interface"}});
    auto title = entry({{"NAME", "Title"}, {"TYPE", "ED_STRING"}, {"DESCRIPTION", "8 char name"}});
    auto out = entry({{"TYPE", "USEROBJ"}, {"NAME", "page"}, {"CONNECT_TAG", "page"}, {"TYPE", "ED_STRING"}});
    op.addEntry(header);
    op.addEntry(title);
    op.addEntry(out);

    EXPECT_EQ(op.name(), "MENUPAGE");
    EXPECT_EQ(op.operatorId(), 8);
    EXPECT_EQ(op.findEntryText(0, OperatorField::OPERATOR_CLASS), "Interface");
    EXPECT_EQ(op.findEntryText(0, OperatorField::DEFAULT), "");
    EXPECT_EQ(op.findEntryName("title"), title);
    EXPECT_EQ(op.findEntryName("8 CHAR NAME", OperatorField::DESCRIPTION), title);
    EXPECT_EQ(op.findEntryName("title", OperatorField::DESCRIPTION), nullptr);
    EXPECT_EQ(out->entryType(), 20) << "the last TYPE read wins and stands first";
    EXPECT_EQ(op.findEntryKey(20, OperatorField::CONNECT_TAG), out);
    EXPECT_EQ(op.findEntryKey(13), nullptr);
    EXPECT_EQ(op.entryAtIndex(3), nullptr);
    OperatorEntry stranger;
    EXPECT_EQ(op.indexOfEntry(&stranger), OperatorDesc::npos);
    EXPECT_EQ(op.getEntryIndex(&stranger), -1);
    EXPECT_EQ(title->operatorFieldForName("Title")->fieldType(), OperatorField::NAME);
    EXPECT_EQ(title->operatorFieldForName("title"), nullptr) << "compared exactly";
}
