// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/KorvatelTreeNode.h"

#include "browsers/KorvatelNodeData.h"
#include "comms/KorvatelConnection.h"

namespace tosk {

KorvatelTreeNode::KorvatelTreeNode(std::unique_ptr<TreeNodeData> data, std::shared_ptr<KorvatelConnection> connection)
    : TreeNode(std::move(data)), connection_(std::move(connection))
{
}

KorvatelNodeData* KorvatelTreeNode::korvatelData() const
{
    return dynamic_cast<KorvatelNodeData*>(nodeData());
}

std::shared_ptr<KorvatelTreeNode> KorvatelTreeNode::treeFromBankList(const BankList* banks,
                                                                     std::shared_ptr<KorvatelConnection> connection)
{
    if (!banks)
        return nullptr;
    auto root = std::make_shared<KorvatelTreeNode>(KorvatelNodeData::groupDataWithName("ROOT", 0, nullptr), connection);
    for (int number : banks->bankNumberKeys()) {
        auto bank = banks->bankWithNumber(number);
        bank->setChannelId(banks->channelId());
        root->addChild(std::make_shared<KorvatelTreeNode>(
            KorvatelNodeData::groupDataWithName(bank->displayName(), number, bank), connection));
    }
    return root;
}

std::vector<TreeNode::Ptr> KorvatelTreeNode::patchNodes(const PatchList& patches,
                                                        const std::shared_ptr<KorvatelConnection>& connection)
{
    std::vector<TreeNode::Ptr> nodes;
    for (const auto& patch : patches.patches())
        nodes.push_back(std::make_shared<KorvatelTreeNode>(
            KorvatelNodeData::leafDataWithName(patch->displayName(), patch->patchNumber(), patch), connection));
    return nodes;
}

void KorvatelTreeNode::expandGroupItem()
{
    removeAllChildren();
    KorvatelNodeData* data = korvatelData();
    if (!data || !data->isExpandable() || !data->bank() || !connection_)
        return;
    PatchList patches = connection_->patchListForBank(uint32_t(data->bank()->bankNumber()));
    data->bank()->setPatchList(patches);
    data->setLoaded(true);
    for (const auto& node : patchNodes(patches, connection_))
        addChild(node);
}

} // namespace tosk
