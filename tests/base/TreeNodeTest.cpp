// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TreeNode.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace tosk;

namespace {

// A payload ordered by key, named by its label, as the browsers' payloads
// order by name or number.
class KeyedData : public TreeNodeData {
public:
    KeyedData(std::string label, int key) : label_(std::move(label)), key_(key) {}
    std::string name() const override { return label_; }
    int compare(const TreeNodeData& other) const override
    {
        int theirs = static_cast<const KeyedData&>(other).key_;
        return key_ < theirs ? -1 : key_ > theirs ? 1 : 0;
    }

private:
    std::string label_;
    int key_;
};

TreeNode::Ptr node(const std::string& label, int key = 0)
{
    return TreeNode::treeNodeWithData(std::make_unique<KeyedData>(label, key));
}

std::string names(const std::vector<TreeNode::Ptr>& nodes)
{
    std::string out;
    for (const auto& n : nodes) {
        if (!out.empty())
            out += ' ';
        out += n->nodeData() ? n->nodeData()->name() : std::string("-");
    }
    return out;
}

// The tree below `n` as "name(child child ...)"; a child whose parent link
// does not point back is marked "!".
std::string shape(const TreeNode::Ptr& n)
{
    std::string out = n->nodeData()->name();
    for (const auto& child : n->children())
        out += (child == n->firstChild() ? "(" : " ") + shape(child) + (child->nodeParent() == n.get() ? "" : "!");
    return out + (n->numberOfChildren() ? ")" : "");
}

// root ─ music ─ live ─ a.sig
//      │       └ b.sig
//      └ docs ─ c.sig
struct Folders {
    TreeNode::Ptr root = node("root"), music = node("music"), live = node("live"), a = node("a.sig"), b = node("b.sig"),
                  docs = node("docs"), c = node("c.sig");
    Folders()
    {
        root->addChild(music);
        root->addChild(docs);
        music->addChild(live);
        music->addChild(b);
        live->addChild(a);
        docs->addChild(c);
    }
};

} // namespace

TEST(TreeNode, MinimumCoverKeepsTheTopmostNodesInFirstOrder)
{
    Folders t;
    struct Case {
        std::vector<TreeNode::Ptr> nodes;
        std::string cover;
    };
    const std::vector<Case> cases = {
        {{t.music, t.b}, "music"},   // a folder and a file inside it
        {{t.b, t.music}, "music"},   // the file listed first
        {{t.c, t.b}, "c.sig b.sig"}, // unrelated nodes keep their order
        {{t.a, t.live, t.music, t.c}, "music c.sig"},
        {{t.a, t.b, t.docs, t.a}, "a.sig b.sig docs"}, // a repeat is carried once
        {{t.live, t.live}, "live"},
        {{t.root, t.c}, "root"},
        {{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(names(TreeNode::minimumNodeCoverFromNodesInArray(c.nodes)), c.cover) << names(c.nodes);
}

TEST(TreeNode, DescendantsAndParents)
{
    Folders t;
    EXPECT_TRUE(t.a->isDescendantOfNode(*t.a)); // a node lies "below" itself
    EXPECT_TRUE(t.a->isDescendantOfNode(*t.live));
    EXPECT_TRUE(t.a->isDescendantOfNode(*t.root));
    EXPECT_FALSE(t.a->isDescendantOfNode(*t.b));
    EXPECT_FALSE(t.music->isDescendantOfNode(*t.a));
    EXPECT_FALSE(t.c->isDescendantOfNode(*t.music));
    EXPECT_TRUE(t.a->isDescendantOfNodeInArray({t.docs, t.live}));
    EXPECT_FALSE(t.a->isDescendantOfNodeInArray({t.docs, t.c}));

    EXPECT_TRUE(t.live->isParentOfNode(*t.a));
    EXPECT_FALSE(t.music->isParentOfNode(*t.a)); // a grandparent is no parent
    EXPECT_FALSE(t.a->isParentOfNode(*t.a));
    EXPECT_TRUE(t.music->isParentOfNodeInArray({t.c, t.b}));
    EXPECT_FALSE(t.music->isParentOfNodeInArray({t.c, t.a}));
}

TEST(TreeNode, ChildrenMoveBetweenParents)
{
    Folders t;
    EXPECT_EQ(t.music->indexOfChild(*t.b), 1u);
    EXPECT_EQ(t.music->indexOfChild(*t.c), TreeNode::npos);

    // Removing a child clears its parent; adding it elsewhere sets the new one.
    t.music->removeChild(*t.b);
    EXPECT_EQ(t.b->nodeParent(), nullptr);
    t.docs->insertChild(t.b, 0);
    EXPECT_EQ(shape(t.root), "root(music(live(a.sig)) docs(b.sig c.sig))");

    // Adding a node that has a parent takes it out of the old list.
    t.live->addChild(t.c);
    EXPECT_EQ(shape(t.root), "root(music(live(a.sig c.sig)) docs(b.sig))");

    // Inserting children already in the list moves them.
    t.live->insertChildren({t.c, t.b}, 0);
    EXPECT_EQ(shape(t.root), "root(music(live(c.sig b.sig a.sig)) docs)");
    t.live->insertChild(t.c, 99);
    EXPECT_EQ(shape(t.live), "live(b.sig a.sig c.sig)");
    EXPECT_EQ(t.live->firstChild(), t.b);
    EXPECT_EQ(t.live->lastChild(), t.c);
    EXPECT_EQ(t.live->childAtIndex(1), t.a);
    EXPECT_EQ(t.live->childAtIndex(3), nullptr);

    // A node never becomes its own ancestor.
    t.live->addChild(t.music);
    t.music->addChild(t.music);
    EXPECT_EQ(shape(t.root), "root(music(live(b.sig a.sig c.sig)) docs)");

    t.a->removeFromParent();
    EXPECT_EQ(t.a->nodeParent(), nullptr);
    EXPECT_EQ(shape(t.live), "live(b.sig c.sig)");
    t.live->removeAllChildren();
    EXPECT_EQ(t.b->nodeParent(), nullptr);
    EXPECT_EQ(t.c->nodeParent(), nullptr);
    EXPECT_EQ(shape(t.live), "live");

    // A child held elsewhere does not point at a parent that is gone.
    TreeNode::Ptr kept = node("kept");
    {
        TreeNode::Ptr parent = node("parent");
        parent->addChild(kept);
        EXPECT_EQ(kept->nodeParent(), parent.get());
    }
    EXPECT_EQ(kept->nodeParent(), nullptr);

    auto built = std::make_shared<TreeNode>(std::make_unique<KeyedData>("built", 0), std::vector{t.a, t.b});
    EXPECT_EQ(shape(built), "built(a.sig b.sig)");
}

TEST(TreeNode, SortIsStableAndRecursive)
{
    TreeNode::Ptr root = node("root");
    for (const auto& [label, key] : std::vector<std::pair<std::string, int>>{
             {"c1", 3}, {"a1", 1}, {"b1", 2}, {"a2", 1}, {"c2", 3}, {"a3", 1}, {"b2", 2}})
        root->addChild(node(label, key));
    TreeNode::Ptr inner = root->childAtIndex(1); // a1
    inner->addChild(node("y", 9));
    inner->addChild(node("x", 8));
    inner->addChild(node("x2", 8));

    root->recursiveSortChildren();
    EXPECT_EQ(names(root->children()), "a1 a2 a3 b1 b2 c1 c2");
    EXPECT_EQ(names(inner->children()), "x x2 y");

    // Payloads of the base class all compare equal: their order stays, more
    // of them than a sort handles by insertion. Nodes without payload go first.
    TreeNode::Ptr plain = node("plain");
    std::vector<TreeNode::Ptr> bare, kids;
    for (int i = 0; i < 40; ++i) {
        auto& list = i % 3 ? kids : bare;
        list.push_back(TreeNode::treeNodeWithData(i % 3 ? std::make_unique<TreeNodeData>() : nullptr));
        plain->addChild(list.back());
    }
    plain->recursiveSortChildren();
    bare.insert(bare.end(), kids.begin(), kids.end());
    EXPECT_EQ(plain->children(), bare);
}
