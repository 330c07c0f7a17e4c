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

// "group" or "leaf", the node's operator id and its operator's name.
std::string kindOf(const TreeNode::Ptr& node)
{
    if (!node)
        return "none";
    const OperatorNodeData* data = dataOf(node);
    return (data->isLeaf() ? "leaf " : "group ") + std::to_string(data->operatorId()) +
           (data->operatorDesc() ? " " + data->operatorDesc()->name() : "");
}

// Names at and past the ends of a table, blank-separated ("-" for none).
template <typename Table> std::string namesAt(Table name, std::initializer_list<int32_t> codes)
{
    std::string out;
    for (int32_t code : codes)
        out += (out.empty() ? "" : " ") + std::string(name(code) ? name(code) : "-");
    return out;
}

} // namespace

TEST(OperatorTables, NamesAndCodesMapBothWaysUpToTheirEnds)
{
    for (int32_t code = 0; code < 15; ++code) {
        auto field = OperatorField::newField(OperatorField::keyName(code), " value ");
        EXPECT_EQ(field ? std::to_string(field->fieldType()) + field->text() : "none",
                  std::to_string(code) + " value ");
    }
    EXPECT_EQ(namesAt(OperatorField::keyName, {14, 15, -1}), "DEFAULT - -");
    for (const char* unknown : {"COLOUR", "name", "NAME "})
        EXPECT_EQ(OperatorField::newField(unknown, "x"), nullptr) << "keys are exact: " << unknown;

    for (int32_t code = 0; code < 55; ++code)
        EXPECT_EQ(OperatorEntry::typeCode(OperatorEntry::typeName(code)), code) << code;
    EXPECT_EQ(namesAt(OperatorEntry::typeName, {54, 55, -1}), "COLLECT - -");
    for (auto [name, code] : {std::pair{"ED_REAL", 19}, {"ED_INTEGER", 17}, {"ed_float", -1}})
        EXPECT_EQ(OperatorEntry::typeCode(name), code) << name;

    for (int32_t id = 0; id < 17; ++id)
        EXPECT_EQ(OperatorDesc::classId(OperatorDesc::className(id)), id);
    EXPECT_EQ(namesAt(OperatorDesc::className, {16, 17, 18, -1}), "NODE UNKNOWN - -");
    for (auto [name, id] : {std::pair{"filter", 7}, {"FILTERS", 17}})
        EXPECT_EQ(OperatorDesc::classId(name), id) << name;

    OperatorTypeField type(OperatorField::TYPE, "ED_SIGNAL");
    EXPECT_EQ(type.osdType(), 23);
    type.setText("nonsense");
    EXPECT_EQ(type.osdType(), -1);

    for (auto [text, value] : {std::pair{"  -12dB", -12}, {"=#channels", 0}, {"99999999999", 2147483647}})
        EXPECT_EQ(OperatorField::integerValue(text), value) << text;
    for (auto [text, value] : {std::pair{" 1.20 beta", 1.2},
                               {".25", 0.25},
                               {"v1.2", 0.0},
                               {"-140,", -140.0},
                               {"12.", 12.0},
                               {"3e2", 3.0},
                               {"123456789012345", 123456789012345.0},
                               {"12345678901234567", 12345678901234568.0}})
        EXPECT_EQ(OperatorField::decimalValue(text), value) << text;
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
    op.addEntry(entry({{"TYPE", "OPERATOR"}, {"OPERATOR_NAME", "menupage"}, {"OPERATOR_CLASS", "Interface"}}));
    auto title = entry({{"NAME", "Title"}, {"TYPE", "ED_STRING"}, {"DESCRIPTION", "8 char name"}});
    auto out = entry({{"TYPE", "USEROBJ"}, {"NAME", "page"}, {"CONNECT_TAG", "page"}, {"TYPE", "ED_STRING"}});
    for (const auto& e : {title, out})
        op.addEntry(e);

    EXPECT_EQ(op.name() + " " + std::to_string(op.operatorId()), "MENUPAGE 8");
    EXPECT_EQ(op.findEntryText(0, OperatorField::OPERATOR_CLASS) + "|" + op.findEntryText(0, OperatorField::DEFAULT),
              "Interface|");
    EXPECT_EQ(op.findEntryName("title"), title);
    EXPECT_EQ(op.findEntryName("8 CHAR NAME", OperatorField::DESCRIPTION), title);
    EXPECT_EQ(op.findEntryName("title", OperatorField::DESCRIPTION), nullptr);
    EXPECT_EQ(out->entryType(), 20) << "the last TYPE read wins and stands first";
    EXPECT_EQ(op.findEntryKey(20, OperatorField::CONNECT_TAG), out);
    EXPECT_EQ(op.findEntryKey(13), nullptr);
    EXPECT_EQ(op.entryAtIndex(3), nullptr);
    OperatorEntry stranger;
    EXPECT_EQ(std::pair(op.indexOfEntry(&stranger), op.getEntryIndex(&stranger)), std::pair(OperatorDesc::npos, -1));
    EXPECT_EQ(std::pair(op.indexOfEntry(out.get()), op.getEntryIndex(out.get())), std::pair(size_t(2), 2));
    EXPECT_EQ(title->operatorFieldForName("Title"), title->operatorFieldForType(OperatorField::NAME));
    EXPECT_EQ(title->operatorFieldForName("title"), nullptr) << "compared exactly";
}

// How a query matches: its kind, name or description, and the span.
TEST(OperatorSearch, HowAQueryMatchesANameOrADescription)
{
    const std::vector<std::tuple<const char*, const char*, const char*, const char*>> cases{
        {"lowpass", "LOWPASS", "FILTER", "whole name 7"},
        {"  LoW\t", "lowpass", "", "prefix name 3"},
        {"add", "C_ADD", "CONTROLMATH", "word name 3"},
        {"pass", "LOWPASS", "low pass filter", "word description 4"},
        {"filter", "SVF", "FILTER", "word description 6"},
        {"lps", "LOWPASS", "FILTER", "scattered name 6"},
        // The tightest of several spreads counts: l..p..s from the second l.
        {"lps", "LXXXXLOPS", "", "scattered name 4"},
        {"ter", "SVF", "FILTER", "scattered description 3"},
        {"flt", "LOWPASS", "FILTER", "scattered description 4"},
        {"spl", "LOWPASS", "FILTER", "none"},
        {"xyz", "MIX2", "MIXER", "none"},
        {"", "MIX2", "MIXER", "none"},
        {"   ", "MIX2", "MIXER", "none"},
        {"lowpassx", "LOWPASS", "", "none"},
    };
    const char* kinds[] = {"whole", "prefix", "word", "scattered"};
    for (const auto& [query, name, description, expected] : cases) {
        auto m = OperatorSearch::match(query, name, description);
        const std::string where = m && m->inName ? " name " : " description ";
        EXPECT_EQ(m ? kinds[int(m->kind)] + where + std::to_string(m->span) : "none", expected)
            << query << " in " << name << " / " << description;
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

// Every match, best first.
TEST(OperatorSearch, QueriesOnTheBundledDatabase)
{
    const std::vector<std::pair<const char*, const char*>> cases{
        // ALLPASS holds l-p-s tighter than LOWPASS; the rest match in their
        // descriptions only.
        {"lps", "ALLPASS LOWPASS SMOOTH ENVELOPE SAMPHOLD TAPTEMPO MULTIKNOB"},
        {"c_", "C_ADD C_MUL C_CLIP C_TO_C C_CURVE C_SCALE C_COMPARE"},
        // The unit's own operators are not offered.
        {"head", ""},
    };
    for (const auto& [query, expected] : cases) {
        auto tree = OperatorTreeNode::searchTree(*bundled(), query);
        EXPECT_EQ(childNames(*tree), expected) << query;
        for (const auto& leaf : tree->children())
            EXPECT_TRUE(dataOf(leaf)->isLeaf() && dataOf(leaf)->operatorDesc()) << leaf->nodeData()->name();
    }
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
    EXPECT_EQ(kindOf(childNamed(*filter, "hp")), "leaf 7 HP");
    EXPECT_EQ(dataOf(childNamed(*filter, "hp"))->operatorDesc(), db->sigDbaseData()[2]);
    EXPECT_EQ(childNames(*childNamed(*root, "System")), "Special");
    EXPECT_EQ(kindOf(filter), "group 7");
    EXPECT_EQ(kindOf(root->lastChild()), "group " + std::to_string(OperatorNodeData::kLibraryId));
    EXPECT_EQ(root->lastChild()->numberOfChildren(), 0u);
    EXPECT_EQ(OperatorTreeNode::treeFromSigDbase(nullptr)->numberOfChildren(), 0u);
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
