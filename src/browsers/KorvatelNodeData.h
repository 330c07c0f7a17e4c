// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TreeNodeData.h"
#include "comms/Bank.h"
#include "comms/Patch.h"

#include <memory>
#include <string>

namespace tosk {

// A row of the unit browser: a bank (a group, its patches read when it is
// first opened) or a patch.
class KorvatelNodeData : public TreeNodeData {
public:
    KorvatelNodeData(std::string name, int number, std::shared_ptr<Bank> bank, std::shared_ptr<Patch> patch,
                     bool isLeaf);
    static std::unique_ptr<KorvatelNodeData> groupDataWithName(const std::string& name, int number,
                                                               std::shared_ptr<Bank> bank);
    static std::unique_ptr<KorvatelNodeData> leafDataWithName(const std::string& name, int number,
                                                              std::shared_ptr<Patch> patch);

    std::string name() const override { return nodeName_; }
    bool isGroup() const override { return !isLeaf_; }
    int compare(const TreeNodeData& other) const override;

    const std::string& nodeName() const { return nodeName_; }
    int nodeNumber() const { return nodeNumber_; }
    const std::shared_ptr<Bank>& bank() const { return bank_; }
    const std::shared_ptr<Patch>& patch() const { return patch_; }
    bool isLeaf() const { return isLeaf_; }
    bool isExpandable() const { return isExpandable_; }

    // A bank whose patches have been read (they may be none).
    bool isLoaded() const { return loaded_; }
    void setLoaded(bool loaded) { loaded_ = loaded; }
    // A bank whose patches are being read now.
    bool isLoading() const { return loading_; }
    void setLoading(bool loading) { loading_ = loading; }

private:
    std::string nodeName_;
    int nodeNumber_;
    std::shared_ptr<Bank> bank_;
    std::shared_ptr<Patch> patch_;
    bool isLeaf_;
    bool isExpandable_;
    bool loaded_ = false;
    bool loading_ = false;
};

} // namespace tosk
