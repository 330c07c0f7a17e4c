// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/TreeNodeModel.h"
#include "browsers/MyOutlineView.h"

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QMimeData>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace tosk;

namespace {

class ItemData : public TreeNodeData {
public:
    ItemData(std::string name, bool group) : name_(std::move(name)), group_(group) {}
    std::string name() const override { return name_; }
    bool isGroup() const override { return group_; }

private:
    std::string name_;
    bool group_;
};

// A folder whose entries are read when it is first opened.
class LazyNode : public TreeNode {
public:
    LazyNode(std::string name, std::vector<std::string> entries)
        : TreeNode(std::make_unique<ItemData>(std::move(name), true)), entries_(std::move(entries))
    {
    }
    void expandGroupItem() override
    {
        ++reads;
        for (const auto& e : entries_)
            addChild(std::make_shared<TreeNode>(std::make_unique<ItemData>(e, false)));
    }
    int reads = 0;

private:
    std::vector<std::string> entries_;
};

TreeNode::Ptr leaf(const std::string& name)
{
    return std::make_shared<TreeNode>(std::make_unique<ItemData>(name, false));
}

TreeNode::Ptr group(const std::string& name, std::vector<TreeNode::Ptr> children = {})
{
    return std::make_shared<TreeNode>(std::make_unique<ItemData>(name, true), children);
}

QString text(const TreeNodeModel& model, const QModelIndex& index)
{
    return model.data(index, Qt::DisplayRole).toString();
}

} // namespace

TEST(TreeNodeModel, PassesTheModelTesterThroughReadsAndChanges)
{
    TreeNodeModel model;
    // The tester stops the run at the model's first breach of the contract.
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    auto lazy = std::make_shared<LazyNode>("Library", std::vector<std::string>{"one", "two", "three"});
    TreeNode::Ptr filters = group("FILTER", {leaf("HIGHPASS"), leaf("LOWPASS")});
    TreeNode::Ptr delays = group("DELAY", {leaf("ECHO")});
    model.setRoot(group("ROOT", {delays, filters, lazy}));

    ASSERT_EQ(model.rowCount(), 3);
    const QModelIndex lazyIndex = model.index(2, 0);
    EXPECT_TRUE(model.hasChildren(lazyIndex)); // a group shows as one before it is read
    EXPECT_EQ(model.rowCount(lazyIndex), 0);
    // The tester asks for the group's children as a view would; they come
    // once the event loop runs.
    QCoreApplication::processEvents();
    EXPECT_EQ(lazy->reads, 1);
    ASSERT_EQ(model.rowCount(lazyIndex), 3);
    EXPECT_EQ(text(model, model.index(2, 0, lazyIndex)), "three");
    EXPECT_FALSE(model.canFetchMore(lazyIndex));

    // Read again on demand: the old rows go, the new ones come.
    model.readChildren(*lazy);
    EXPECT_EQ(lazy->reads, 2);
    EXPECT_EQ(model.rowCount(lazyIndex), 3);

    // Moving a node between groups, replacing children and removing a node.
    model.replaceChildren(*delays, {leaf("REVERB"), filters->childAtIndex(1)});
    EXPECT_EQ(text(model, model.index(1, 0, model.index(0, 0))), "LOWPASS");
    EXPECT_EQ(model.rowCount(model.index(1, 0)), 1);
    model.removeNode(*filters);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(text(model, model.index(1, 0)), "Library");
    // A text provider renames the rows and has them redrawn; with no rows
    // it announces no change.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setTextProvider(
        [](const TreeNode& node) { return QString::fromStdString(node.nodeData()->name()).toLower(); });
    EXPECT_EQ(text(model, model.index(1, 0)), "library");
    EXPECT_EQ(changed.count(), 1);
    model.setRoot(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    model.setTextProvider(nullptr);
    EXPECT_EQ(changed.count(), 1);
}

TEST(TreeNodeModel, ReadsAGroupWhenTheViewOpensIt)
{
    TreeNodeModel model;
    auto lazy = std::make_shared<LazyNode>("bank 1", std::vector<std::string>{"a", "b"});
    auto empty = std::make_shared<LazyNode>("bank 2", std::vector<std::string>{});
    model.setRoot(group("ROOT", {lazy, empty}));
    MyOutlineView view;
    view.setTreeModel(&model);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QCoreApplication::processEvents();
    EXPECT_EQ(lazy->reads, 0); // closed groups are not read

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    view.expand(model.index(0, 0));
    view.expand(model.index(1, 0));
    QCoreApplication::processEvents();
    EXPECT_EQ(lazy->reads, 1);
    EXPECT_EQ(empty->reads, 1);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(model.rowCount(model.index(0, 0)), 2);
    EXPECT_EQ(text(model, model.index(1, 0, model.index(0, 0))), "b");
    EXPECT_TRUE(view.isExpanded(model.index(0, 0)));

    view.collapse(model.index(0, 0));
    view.expand(model.index(0, 0));
    QCoreApplication::processEvents();
    EXPECT_EQ(lazy->reads, 1); // read once
}

TEST(TreeNodeModel, AnswersTextIconAndDrags)
{
    TreeNodeModel model;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    const QIcon groupIcon(red);
    model.setIconProvider(
        [&](const TreeNode& node) { return node.nodeData() && node.nodeData()->isGroup() ? groupIcon : QIcon(); });
    model.setHeaderTitle(QStringLiteral("Operators"));
    TreeNode::Ptr cafe = leaf("CAF\xc9");
    TreeNode::Ptr filters = group("FILTER", {leaf("LOWPASS"), cafe});
    model.setRoot(group("ROOT", {filters}));

    const QModelIndex groupIndex = model.index(0, 0);
    const QModelIndex cafeIndex = model.index(1, 0, groupIndex);
    EXPECT_EQ(text(model, cafeIndex), QStringLiteral("CAF\u00c9")); // Latin-1 bytes
    EXPECT_EQ(model.data(groupIndex, Qt::DecorationRole).value<QIcon>().cacheKey(), groupIcon.cacheKey());
    EXPECT_FALSE(model.data(cafeIndex, Qt::DecorationRole).isValid());
    EXPECT_EQ(model.headerData(0, Qt::Horizontal), QStringLiteral("Operators"));
    EXPECT_FALSE(model.flags(cafeIndex) & Qt::ItemIsDragEnabled);
    EXPECT_EQ(model.indexForNode(cafe.get()), cafeIndex);
    EXPECT_FALSE(model.indexForNode(leaf("elsewhere").get()).isValid());

    // Only a single leaf drags, carrying its name.
    model.setDragSource(QStringLiteral("application/x-tosk-operator"), [](const std::vector<TreeNode::Ptr>& nodes) {
        if (nodes.size() != 1 || nodes[0]->nodeData()->isGroup())
            return QByteArray();
        return QByteArray::fromStdString(nodes[0]->nodeData()->name());
    });
    EXPECT_TRUE(model.flags(cafeIndex) & Qt::ItemIsDragEnabled);
    std::unique_ptr<QMimeData> mime(model.mimeData({cafeIndex}));
    ASSERT_TRUE(mime);
    EXPECT_EQ(mime->data(QStringLiteral("application/x-tosk-operator")), QByteArray("CAF\xc9"));
    EXPECT_EQ(model.mimeData({groupIndex}), nullptr) << "an empty payload drags nothing";
}

TEST(TreeNodeModel, OutlineViewSelectsInNodesAndAnswersInTreeOrder)
{
    TreeNodeModel model;
    TreeNode::Ptr a = leaf("a"), b = leaf("b"), c = leaf("c"), d = leaf("d");
    TreeNode::Ptr first = group("first", {a, b}), second = group("second", {c});
    model.setRoot(group("ROOT", {first, second, d}));
    MyOutlineView view;
    view.setTreeModel(&model);
    view.expandAll();

    view.selectItems({d, c, a}, false);
    EXPECT_EQ(view.allSelectedItems(), (std::vector<TreeNode::Ptr>{a, c, d}));
    EXPECT_EQ(view.selectedItem(), nullptr); // not exactly one
    view.selectItems({b}, false);
    EXPECT_EQ(view.selectedItem(), b);
    view.selectItems({second}, true);
    EXPECT_EQ(view.allSelectedItems(), (std::vector<TreeNode::Ptr>{b, second}));
    // Collapsed rows keep their place in the order.
    view.collapse(model.indexForNode(first.get()));
    view.selectItems({d, a}, true);
    EXPECT_EQ(view.allSelectedItems(), (std::vector<TreeNode::Ptr>{a, b, second, d}));
}
