// SPDX-License-Identifier: GPL-3.0-or-later
#include "SbfText.h"
#include "support/TestSupport.h"

#include "base/Alerts.h"
#include "base/Log.h"
#include "database/SigDbase.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace tosk;
using namespace tosk::test;

namespace {

using Items = std::vector<std::pair<int32_t, std::string>>;

Items itemsOf(const OperatorEntry& entry)
{
    Items items;
    for (const auto& f : entry.operatorData())
        items.emplace_back(f->fieldType(), f->text());
    return items;
}

std::vector<std::string> namesOf(const SigDbase& db)
{
    std::vector<std::string> names;
    for (const auto& op : db.sigDbaseData())
        names.push_back(op->name());
    return names;
}

const std::string osc = sbfSimpleOperator("SINE", "OSCILLATOR", {{"TYPE:SIGNAL", "NAME:out", "CONNECT_TAG:out"}});
const std::string gain = sbfSimpleOperator("GAIN", "MATH", {{"TYPE:ED_SIGNAL", "NAME:in"}});

} // namespace

TEST(SigDbaseReader, ReadsItemsExactlyWhateverTheLineEnds)
{
    // One operator in the layout of the node operators, written with CR, LF
    // and CR LF line ends, high bytes between lines, blanks and 8-bit text
    // kept in values.
    std::string text = "{\r{\n   TYPE:OPERATOR\r\n   NAME:opstart \n   OPERATOR_NAME:a_to_x\n"
                       "   OPERATOR_CLASS:node\n}\r\n\xA0{\r   TYPE:ED_STRING\r   "
                       "NAME:opstart_name\r"
                       "\xFF   DESCRIPTION:\r}\n{\n   TYPE:SIGNAL\n   NAME:out \xE9t\xE9\n   "
                       "CONNECT_TAG:out\n"
                       "   DESCRIPTION:a  b  \n}\n{ \n }\n{\nTYPE:OPERATOREND\nNAME:opend\n}\n}";
    SigDbase db;
    NoWindowServices noWindow;
    ASSERT_TRUE(db.loadFromData(text));
    EXPECT_TRUE(db.problems().empty());
    ASSERT_EQ(db.sigDbaseData().size(), 1u);
    const auto& op = *db.sigDbaseData()[0];
    EXPECT_EQ(op.name(), "A_TO_X");
    EXPECT_EQ(op.operatorId(), 16);
    ASSERT_EQ(op.count(), 5u);
    EXPECT_EQ(itemsOf(*op.entryAtIndex(0)), (Items{{1, "OPERATOR"}, {0, "opstart "}, {7, "a_to_x"}, {8, "node"}}));
    EXPECT_EQ(itemsOf(*op.entryAtIndex(1)), (Items{{1, "ED_STRING"}, {0, "opstart_name"}, {2, ""}}));
    EXPECT_EQ(itemsOf(*op.entryAtIndex(2)), (Items{{1, "SIGNAL"}, {0, "out \xE9t\xE9"}, {11, "out"}, {2, "a  b  "}}));
    EXPECT_EQ(op.entryAtIndex(3)->count(), 0u) << "an entry of only white space has no items";
    EXPECT_EQ(op.entryAtIndex(3)->entryType(), 0);
    EXPECT_EQ(op.entryAtIndex(4)->entryType(), 1);
}

TEST(SigDbaseReader, SkipsWhatLiesAroundAndBetweenBlocks)
{
    SigDbase empty;
    EXPECT_TRUE(empty.loadFromData(""));
    EXPECT_TRUE(empty.loadFromData("no braces at all"));
    EXPECT_TRUE(empty.sigDbaseData().empty());

    SigDbase db;
    ASSERT_TRUE(db.loadFromData("  \n" + osc + "junk between blocks\n" + gain + "\ntrailing text { with a brace"));
    EXPECT_EQ(namesOf(db), (std::vector<std::string>{"SINE", "GAIN"}));

    // Only white space around one operator: that operator and the two nodes.
    SigDbase whole;
    EXPECT_TRUE(whole.createSigDbaseFromData(osc + "  \r\n  "));
    EXPECT_EQ(namesOf(whole), (std::vector<std::string>{"SINE", "A_TO_A", "C_TO_C"}));
}

TEST(SigDbaseReader, FormatErrorsFailTheLoadAndKeepWhatWasRead)
{
    struct Case {
        const char* what;
        std::string text;
        size_t operatorsKept;
    } cases[] = {
        {"empty entry block", osc + "{\n{}\n{\n   TYPE:OPERATOREND\n}\n}\n", 1},
        {"empty operator block", osc + "{}\n" + gain, 1},
        {"operator block of white space", osc + "{ \n\t }\n" + gain, 1},
        {"entry without its closing brace", osc + "{\n{\n   TYPE:OPERATOR\n   NAME:x}", 1},
        {"operator without its closing brace", osc + "{\n{\n   TYPE:OPERATOR\n}\n", 1},
        {"first operator cut short", "{\n{\n   NAME:a\n}", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SigDbase db;
        LogCapture quiet;
        NoWindowServices noWindow;
        EXPECT_FALSE(db.loadFromData(c.text));
        EXPECT_EQ(db.sigDbaseData().size(), c.operatorsKept);
        EXPECT_TRUE(db.problems().empty());
    }
}

TEST(SigDbaseReader, UnknownKeyIsLoggedAndAlertedOnce)
{
    SigDbase db;
    LogCapture quiet;
    NoWindowServices noWindow;
    std::string bad = sbfSimpleOperator("BAD", "MATH", {{"TYPE:ED_INT", "NAME:n", "COLOUR:red"}});
    EXPECT_FALSE(db.createSigDbaseFromData(osc + bad + gain));
    EXPECT_FALSE(db.sigDbaseCreated());
    EXPECT_EQ(namesOf(db), std::vector<std::string>{"SINE"}) << "no nodes are added to a failed load";
    EXPECT_EQ(alertLines(db.problems().list()),
              std::vector<std::string>{"Critical | ERROR | COLOUR: Unknown Field Type | OK"});

    // Keys are case-sensitive, and a line without ":" is no item.
    for (std::string key : {"name", "NAME", "TYPE "}) {
        SigDbase other;
        EXPECT_FALSE(other.loadFromData(sbfOperator({{"TYPE:OPERATOR", key == "NAME" ? key : "  " + key + ":x"}})));
        ASSERT_EQ(other.problems().list().size(), 1u);
        EXPECT_EQ(other.problems().list()[0].message, key + ": Unknown Field Type");
    }
}

TEST(SigDbaseReader, FilesMustStartWithABraceAndFailSilentlyOtherwise)
{
    for (std::string text : {std::string(""), std::string("{"), std::string(" ") + osc, std::string("{\0", 2) + osc,
                             "\xEF\xBB\xBF" + osc}) {
        SigDbase db;
        NoWindowServices noWindow;
        std::istringstream in(text);
        EXPECT_FALSE(db.loadFromFile(in));
        EXPECT_FALSE(db.createSigDbaseFromData(text));
        EXPECT_TRUE(db.sigDbaseData().empty());
        EXPECT_TRUE(db.problems().empty());
    }
    SigDbase db;
    std::istringstream in(osc + gain);
    EXPECT_TRUE(db.loadFromFile(in));
    EXPECT_EQ(namesOf(db), (std::vector<std::string>{"SINE", "GAIN"}));
}

TEST(SigDbaseReader, HeadersAsRead)
{
    std::string text = sbfOperator({{"TYPE:OPERATOR", "OPERATOR_NAME:gizmo", "OPERATOR_CLASS:filter"},
                                    {"TYPE:OPERATOR", "OPERATOR_NAME:widget"},
                                    {"NAME:d"},
                                    {"TYPE:OPERATOREND"}}) +
                       sbfOperator({{"NAME:x"}});
    SigDbase db;
    ASSERT_TRUE(db.loadFromData(text));
    ASSERT_EQ(db.sigDbaseData().size(), 2u);
    const auto& gizmo = *db.sigDbaseData()[0];
    EXPECT_EQ(gizmo.name(), "WIDGET") << "the last header read names the operator";
    EXPECT_EQ(gizmo.operatorId(), 7) << "a header without a class keeps the earlier one";
    EXPECT_EQ(gizmo.entryAtIndex(2)->entryType(), 0);
    EXPECT_EQ(db.sigDbaseData()[1]->name(), "") << "an entry without TYPE is of type 0 but names nothing";
    EXPECT_EQ(db.sigDbaseData()[1]->operatorId(), 17);
}

TEST(SigDbaseReader, NodeOperatorsAreAddedOnlyWhenMissing)
{
    std::string ownNode = sbfSimpleOperator("C_TO_C", "NODE", {{"TYPE:CONTROL", "NAME:thru", "CONNECT_TAG:thru"}});
    SigDbase db;
    ASSERT_TRUE(db.createSigDbaseFromData(osc + ownNode));
    EXPECT_EQ(namesOf(db), (std::vector<std::string>{"SINE", "C_TO_C", "A_TO_A"}));
    auto ownControl = db.operatorForName("C_TO_C");
    ASSERT_TRUE(ownControl);
    ASSERT_TRUE(ownControl->entryAtIndex(2));
    EXPECT_EQ(ownControl->entryAtIndex(2)->name(), "thru");

    ASSERT_TRUE(db.operatorForName("a_to_a"));
    const auto& signal = *db.operatorForName("a_to_a");
    EXPECT_EQ(signal.operatorId(), 16);
    ASSERT_EQ(signal.count(), 5u);
    EXPECT_EQ(itemsOf(*signal.entryAtIndex(2)),
              (Items{{1, "SIGNAL"}, {0, "out"}, {11, "out"}, {2, "out"}, {12, "MONO"}}));
    EXPECT_EQ(itemsOf(*signal.entryAtIndex(3)), (Items{{1, "ED_SIGNAL"}, {0, "in"}, {2, "in"}}));

    SigDbase fresh;
    ASSERT_TRUE(fresh.createSigDbaseFromData(osc));
    ASSERT_TRUE(fresh.operatorForName("C_TO_C"));
    const auto& control = *fresh.operatorForName("C_TO_C");
    EXPECT_EQ(itemsOf(*control.entryAtIndex(2)), (Items{{1, "CONTROL"}, {0, "out"}, {11, "out"}, {2, "out"}}));
    auto bare = fresh.addNode("U_TO_U", 13);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->count(), 3u) << "no ports for other entry types";
    EXPECT_EQ(fresh.sigDbaseData().back(), bare);
}

TEST(SigDbaseReader, OperatorLookups)
{
    SigDbase db;
    ASSERT_TRUE(db.createSigDbaseFromData(osc + gain + sbfSimpleOperator("Sine", "MATH")));
    auto a = db.operatorForName("a_to_a");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->name(), "A_TO_A");
    EXPECT_EQ(db.operatorForName("sine"), db.sigDbaseData()[0]) << "the first of two equal names";
    EXPECT_EQ(db.operatorForName(""), nullptr);
    EXPECT_EQ(db.operatorForName("SIN"), nullptr);
    EXPECT_EQ(db.operatorForIndex(5), nullptr);
    EXPECT_EQ(db.indexForOperator(a.get()), 3);
    OperatorDesc stranger;
    EXPECT_EQ(db.indexForOperator(&stranger), -1);
    EXPECT_FALSE(db.isNameUnique(" gain\r\n"));
    EXPECT_FALSE(db.isNameUnique("c_to_c"));
    EXPECT_TRUE(db.isNameUnique("gain2"));
    EXPECT_TRUE(db.isNameUnique(" \n"));

    std::ostringstream dump;
    db.dumpOperatorList(dump);
    EXPECT_EQ(dump.str(), "SINE\t\tOSCILLATOR\nGAIN\t\tMATH\nSINE\t\tMATH\nA_TO_"
                          "A\t\tNODE\nC_TO_C\t\tNODE\n");

    db.setEmpty();
    EXPECT_EQ(db.operatorForName("GAIN"), nullptr);
}
