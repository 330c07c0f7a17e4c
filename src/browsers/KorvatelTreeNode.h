// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TreeNode.h"
#include "comms/BankList.h"

#include <memory>

namespace tosk {

class KorvatelConnection;
class KorvatelNodeData;

// A node of the unit browser's tree; it keeps the unit's connection so that
// a bank can read its patches.
class KorvatelTreeNode : public TreeNode {
public:
    KorvatelTreeNode(std::unique_ptr<TreeNodeData> data, std::shared_ptr<KorvatelConnection> connection);

    // A root named "ROOT" holding one bank node per bank, in ascending
    // number; null for no list.
    static std::shared_ptr<KorvatelTreeNode> treeFromBankList(const BankList* banks,
                                                              std::shared_ptr<KorvatelConnection> connection);
    // One leaf per patch, in ascending number.
    static std::vector<TreeNode::Ptr> patchNodes(const PatchList& patches,
                                                 const std::shared_ptr<KorvatelConnection>& connection);

    KorvatelNodeData* korvatelData() const;
    const std::shared_ptr<KorvatelConnection>& connection() const { return connection_; }
    void setConnection(std::shared_ptr<KorvatelConnection> connection) { connection_ = std::move(connection); }

    // Reads the bank's patches now, on the calling thread (the browser reads
    // them on its worker instead and gives them with patchNodes).
    void expandGroupItem() override;

private:
    std::shared_ptr<KorvatelConnection> connection_;
};

} // namespace tosk
