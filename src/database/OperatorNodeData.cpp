// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/OperatorNodeData.h"

#include "database/OperatorDesc.h"

namespace tosk {

OperatorNodeData::OperatorNodeData(std::string name, int32_t operatorId, std::shared_ptr<OperatorDesc> operatorDesc,
                                   bool isLeaf)
    : name_(std::move(name)), operatorId_(operatorId), operatorDesc_(std::move(operatorDesc)), isLeaf_(isLeaf),
      isExpandable_(!isLeaf)
{
}

std::unique_ptr<OperatorNodeData> OperatorNodeData::leafDataWithName(std::string name, int32_t operatorId,
                                                                     std::shared_ptr<OperatorDesc> operatorDesc)
{
    return std::make_unique<OperatorNodeData>(std::move(name), operatorId, std::move(operatorDesc), true);
}

std::unique_ptr<OperatorNodeData> OperatorNodeData::groupDataWithName(std::string name, int32_t operatorId,
                                                                      std::shared_ptr<OperatorDesc> operatorDesc)
{
    return std::make_unique<OperatorNodeData>(std::move(name), operatorId, std::move(operatorDesc), false);
}

int OperatorNodeData::compare(const TreeNodeData& other) const
{
    const int order = name_.compare(other.name());
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

} // namespace tosk
