// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/OperatorTreeNode.h"
#include "database/SbfText.h"
#include "database/SigDbase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace tosk;
using namespace tosk::test;

namespace {

OperatorNodeData* dataOf(const TreeNode::Ptr& node)
{
    return static_cast<OperatorNodeData*>(node->nodeData());
}

std::string childNames(const TreeNode& node)
{
    std::string out;
    for (const auto& child : node.children()) {
        if (!out.empty())
            out += ' ';
        out += child->nodeData()->name();
    }
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

TEST(OperatorTree, TheBundledDatabaseByClass)
{
    auto db = SigDbase::fromFile(dataPath("sigdbase.sbf"));
    auto root = OperatorTreeNode::treeFromSigDbase(db.get());
    EXPECT_EQ(root->operatorData()->name(), "ROOT");
    EXPECT_EQ(childNames(*root), "BRIDGE CONTROLMATH CONTROLPROCESS DELAY DETECTOR DYNAMIC EXTERNAL FILTER INTERFACE "
                                 "MATH MISCELLANEOUS MIXER NODE OSCILLATOR PITCHSHIFT REVERB Library");

    TreeNode::Ptr filter = childNamed(*root, "FILTER");
    ASSERT_TRUE(filter);
    EXPECT_EQ(childNames(*filter), "ALLPASS BANDPASS DCBLOCK GEQ HIGHPASS LOWPASS PEQ SHELF SVF");
    EXPECT_TRUE(dataOf(filter)->isGroup());
    EXPECT_TRUE(dataOf(filter)->isExpandable());
    EXPECT_FALSE(dataOf(filter)->operatorDesc());
    EXPECT_EQ(dataOf(filter)->operatorId(), OperatorDesc::OP_ID_FILTER);
    TreeNode::Ptr lowpass = childNamed(*filter, "LOWPASS");
    ASSERT_TRUE(lowpass);
    EXPECT_TRUE(dataOf(lowpass)->isLeaf());
    EXPECT_FALSE(dataOf(lowpass)->isExpandable());
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

TEST(OperatorTree, SortingIsStableAndKnowsEqualNames)
{
    auto root = std::make_shared<OperatorTreeNode>(OperatorNodeData::groupDataWithName("ROOT", 0));
    const char* names[] = {"b", "B", "a", "b", "A", "a"};
    std::vector<TreeNode::Ptr> added;
    for (int i = 0; i < 6; ++i) {
        auto node = std::make_shared<OperatorTreeNode>(OperatorNodeData::leafDataWithName(names[i], i, nullptr));
        root->addChild(node);
        added.push_back(node);
    }
    EXPECT_EQ(OperatorNodeData("x", 0, nullptr, true).compare(OperatorNodeData("x", 5, nullptr, false)), 0);
    EXPECT_LT(OperatorNodeData("X", 0, nullptr, true).compare(OperatorNodeData("x", 0, nullptr, true)), 0);
    EXPECT_GT(OperatorNodeData("b", 0, nullptr, true).compare(OperatorNodeData("a", 0, nullptr, true)), 0);
    root->recursiveSortChildren();
    // Case-sensitive order; equal names keep the order they were added in.
    std::vector<int> ids;
    for (const auto& child : root->children())
        ids.push_back(dataOf(child)->operatorId());
    EXPECT_EQ(ids, (std::vector<int>{4, 1, 2, 5, 0, 3}));
}
