// SPDX-License-Identifier: GPL-3.0-or-later
// The operator records, the operator tree by class and the search over it.
#include "SbfText.h"
#include "support/TestSupport.h"

#include "database/OperatorDesc.h"
#include "database/OperatorEntry.h"
#include "database/OperatorField.h"
#include "database/OperatorSearch.h"
#include "database/OperatorTreeNode.h"
#include "database/SigDbase.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tosk;
using namespace tosk::test;
using Kind = OperatorSearch::Kind;

namespace {

std::shared_ptr<SigDbase> bundled()
{
    static std::shared_ptr<SigDbase> db = SigDbase::fromFile(dataPath("sigdbase.sbf"));
    return db;
}

OperatorNodeData* dataOf(const TreeNode::Ptr& node)
{
    return static_cast<OperatorNodeData*>(node->nodeData());
}

// The names of the node's children, blank-separated.
std::string childNames(const TreeNode& node)
{
    std::string out;
    for (const auto& child : node.children())
        out += (out.empty() ? "" : " ") + child->nodeData()->name();
    return out;
}

TreeNode::Ptr childNamed(const TreeNode& node, const std::string& name)
{
    for (const auto& child : node.children())
        if (child->nodeData()->name() == name)
            return child;
    return nullptr;
}

} // namespace

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
    EXPECT_EQ(OperatorDesc::className(18), nullptr);
    EXPECT_EQ(OperatorDesc::className(-1), nullptr);
    EXPECT_EQ(OperatorDesc::classId("filter"), 7);
    EXPECT_EQ(OperatorDesc::classId("FILTERS"), 17);

    OperatorTypeField type(OperatorField::TYPE, "ED_SIGNAL");
    EXPECT_EQ(type.osdType(), 23);
    type.setText("nonsense");
    EXPECT_EQ(type.osdType(), -1);

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

TEST(OperatorSearch, HowAQueryMatchesANameOrADescription)
{
    struct Case {
        const char* query;
        const char* name;
        const char* description;
        bool matches;
        Kind kind;
        bool inName;
        size_t span;
    };
    const std::vector<Case> cases{
        {"lowpass", "LOWPASS", "FILTER", true, Kind::WholeName, true, 7},
        {"  LoW\t", "lowpass", "", true, Kind::NamePrefix, true, 3},
        {"add", "C_ADD", "CONTROLMATH", true, Kind::WordStart, true, 3},
        {"pass", "LOWPASS", "low pass filter", true, Kind::WordStart, false, 4},
        {"filter", "SVF", "FILTER", true, Kind::WordStart, false, 6},
        {"lps", "LOWPASS", "FILTER", true, Kind::Scattered, true, 6},
        // The tightest of several spreads counts: l..p..s from the second l.
        {"lps", "LXXXXLOPS", "", true, Kind::Scattered, true, 4},
        {"ter", "SVF", "FILTER", true, Kind::Scattered, false, 3},
        {"flt", "LOWPASS", "FILTER", true, Kind::Scattered, false, 4},
        {"spl", "LOWPASS", "FILTER", false, Kind::Scattered, false, 0},
        {"xyz", "MIX2", "MIXER", false, Kind::Scattered, false, 0},
        {"", "MIX2", "MIXER", false, Kind::Scattered, false, 0},
        {"   ", "MIX2", "MIXER", false, Kind::Scattered, false, 0},
        {"lowpassx", "LOWPASS", "", false, Kind::Scattered, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.query) + " in " + c.name + " / " + c.description);
        auto m = OperatorSearch::match(c.query, c.name, c.description);
        ASSERT_EQ(m.has_value(), c.matches);
        if (!m)
            continue;
        EXPECT_EQ(m->kind, c.kind);
        EXPECT_EQ(m->inName, c.inName);
        EXPECT_EQ(m->span, c.span);
    }
}

TEST(OperatorSearch, BestMatchesComeFirstAndLikeOnesKeepTheirOrder)
{
    const std::vector<OperatorSearch::Candidate> candidates{
        {"XMIXER", ""}, {"MIXN", ""}, {"PAN", "MIXER"}, {"MIX", ""},      {"CHMIX", ""},
        {"C_MIX", ""},  {"MIX2", ""}, {"GAIN", "MATH"}, {"DUP", "mixer"}, {"DUP", "mixer"},
    };
    std::string order;
    for (size_t i : OperatorSearch::rank("mix", candidates))
        order += (order.empty() ? "" : " ") + candidates[i].name + "#" + std::to_string(i);
    EXPECT_EQ(order, "MIX#3 MIX2#6 MIXN#1 C_MIX#5 DUP#8 DUP#9 PAN#2 CHMIX#4 XMIXER#0");
    EXPECT_TRUE(OperatorSearch::rank("zzz", candidates).empty());
    EXPECT_TRUE(OperatorSearch::rank("", candidates).empty());
}

TEST(OperatorSearch, QueriesOnTheBundledDatabase)
{
    struct Case {
        const char* query;
        const char* expected; // every match, best first
    };
    const std::vector<Case> cases{
        // ALLPASS holds l-p-s tighter than LOWPASS; the rest match in their
        // descriptions only.
        {"lps", "ALLPASS LOWPASS SMOOTH ENVELOPE SAMPHOLD TAPTEMPO MULTIKNOB"},
        {"mix", "MIX2 MIXN PAN CHMIX SPLIT XFADE"},
        {"filter", "GEQ PEQ SVF SHELF ALLPASS DCBLOCK LOWPASS BANDPASS HIGHPASS"},
        {"Delay", "DELAY CHORUS FLANGER MULTITAP PINGPONG MULTITAP2"},
        {"c_", "C_ADD C_MUL C_CLIP C_TO_C C_CURVE C_SCALE C_COMPARE"},
        {"head", ""},
        {"qqq", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        auto tree = OperatorTreeNode::searchTree(*bundled(), c.query);
        for (const auto& leaf : tree->children()) {
            ASSERT_TRUE(dataOf(leaf)->isLeaf());
            ASSERT_TRUE(dataOf(leaf)->operatorDesc());
        }
        EXPECT_EQ(childNames(*tree), c.expected);
    }
}

TEST(OperatorTree, TheBundledDatabaseByClass)
{
    auto root = OperatorTreeNode::treeFromSigDbase(bundled().get());
    EXPECT_EQ(root->operatorData()->name(), "ROOT");
    EXPECT_EQ(childNames(*root), "BRIDGE CONTROLMATH CONTROLPROCESS DELAY DETECTOR DYNAMIC EXTERNAL FILTER INTERFACE "
                                 "MATH MISCELLANEOUS MIXER NODE OSCILLATOR PITCHSHIFT REVERB Library");

    TreeNode::Ptr filter = childNamed(*root, "FILTER");
    ASSERT_TRUE(filter);
    EXPECT_EQ(childNames(*filter), "ALLPASS BANDPASS DCBLOCK GEQ HIGHPASS LOWPASS PEQ SHELF SVF");
    EXPECT_TRUE(dataOf(filter)->isGroup());
    EXPECT_FALSE(dataOf(filter)->operatorDesc());
    EXPECT_EQ(dataOf(filter)->operatorId(), OperatorDesc::OP_ID_FILTER);
    TreeNode::Ptr lowpass = childNamed(*filter, "LOWPASS");
    ASSERT_TRUE(lowpass);
    EXPECT_TRUE(dataOf(lowpass)->isLeaf());
    ASSERT_TRUE(dataOf(lowpass)->operatorDesc());
    EXPECT_EQ(dataOf(lowpass)->operatorDesc()->name(), "LOWPASS");

    // Names as the database writes them, ordered without regard to case.
    TreeNode::Ptr ui = childNamed(*root, "INTERFACE");
    ASSERT_TRUE(ui);
    EXPECT_EQ(childNames(*ui), "KNOB menupage METER SELECTOR SLIDER TOGGLE");
    ASSERT_TRUE(dataOf(childNamed(*ui, "menupage"))->operatorDesc());
    EXPECT_EQ(dataOf(childNamed(*ui, "menupage"))->operatorDesc()->name(), "MENUPAGE");

    TreeNode::Ptr library = root->lastChild();
    EXPECT_EQ(dataOf(library)->operatorId(), OperatorNodeData::kLibraryId);
    EXPECT_EQ(library->numberOfChildren(), 0u);
    EXPECT_TRUE(dataOf(library)->isGroup());

    EXPECT_EQ(OperatorTreeNode::treeFromSigDbase(nullptr)->numberOfChildren(), 0u);
}

TEST(OperatorTree, ClassesAndNamesAsWritten)
{
    auto db = std::make_shared<SigDbase>();
    ASSERT_TRUE(db->loadFromData(sbfHeadm("8") + sbfSimpleOperator("REVVY", "REVERB") +
                                 sbfSimpleOperator("hp", "FILTER") + sbfSimpleOperator("Tail2", "SYSTEM") +
                                 sbfSimpleOperator("Special", "System") + sbfSimpleOperator("ECHO", "DELAY") +
                                 sbfSimpleOperator("AP", "FILTER") + sbfSimpleOperator("HP", "FILTER") +
                                 sbfSimpleOperator("lp", "filter")));
    auto root = OperatorTreeNode::treeFromSigDbase(db.get());
    // "filter" joins "FILTER": a class is found without regard to case.
    EXPECT_EQ(childNames(*root), "DELAY FILTER REVERB System Library");
    TreeNode::Ptr filter = childNamed(*root, "FILTER");
    ASSERT_TRUE(filter);
    // A second "HP" in the class adds nothing: the first one stays.
    EXPECT_EQ(childNames(*filter), "AP hp lp");
    ASSERT_TRUE(dataOf(childNamed(*filter, "hp"))->operatorDesc());
    EXPECT_EQ(dataOf(childNamed(*filter, "hp"))->operatorDesc().get(), db->sigDbaseData()[2].get());
    EXPECT_EQ(childNames(*childNamed(*root, "System")), "Special");
}

// By name, byte for byte, whatever else the nodes hold (the tree keeps equal
// names in the order they came).
TEST(OperatorTree, NodesCompareByNameAlone)
{
    EXPECT_EQ(OperatorNodeData("x", 0, nullptr, true)
                  .compare(OperatorNodeData("x", 5, bundled()->operatorForIndex(0), false)),
              0);
    EXPECT_LT(OperatorNodeData("X", 0, nullptr, true).compare(OperatorNodeData("x", 0, nullptr, true)), 0);
    EXPECT_GT(OperatorNodeData("b", 0, nullptr, true).compare(OperatorNodeData("a", 0, nullptr, true)), 0);
}
