// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TreeNodeData.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tosk {

class OperatorDesc;

// A row of the add-module panel's operator tree: a class of operators (a
// group, named by the class as the database writes it), or one operator (a
// leaf, named by its name as the database writes it). The class index
// colours the group's icon.
class OperatorNodeData : public TreeNodeData {
public:
    // The class index of the "Library" group, after the database's classes.
    static constexpr int32_t kLibraryId = 18;

    OperatorNodeData(std::string name, int32_t operatorId, std::shared_ptr<OperatorDesc> operatorDesc, bool isLeaf);

    static std::unique_ptr<OperatorNodeData> leafDataWithName(std::string name, int32_t operatorId,
                                                              std::shared_ptr<OperatorDesc> operatorDesc);
    static std::unique_ptr<OperatorNodeData> groupDataWithName(std::string name, int32_t operatorId,
                                                               std::shared_ptr<OperatorDesc> operatorDesc = nullptr);

    std::string name() const override { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    int32_t operatorId() const { return operatorId_; }
    const std::shared_ptr<OperatorDesc>& operatorDesc() const { return operatorDesc_; }
    bool isLeaf() const { return isLeaf_; }
    bool isGroup() const override { return !isLeaf_; }
    bool isExpandable() const { return isExpandable_; }
    void setExpandable(bool on) { isExpandable_ = on; }

    // By name, byte for byte; equal names compare equal.
    int compare(const TreeNodeData& other) const override;

private:
    std::string name_;
    int32_t operatorId_ = 0;
    std::shared_ptr<OperatorDesc> operatorDesc_;
    bool isLeaf_ = false;
    bool isExpandable_ = true;
};

} // namespace tosk
