// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/KorvatelNodeData.h"

namespace tosk {

KorvatelNodeData::KorvatelNodeData(std::string name, int number, std::shared_ptr<Bank> bank,
                                   std::shared_ptr<Patch> patch, bool isLeaf)
    : nodeName_(std::move(name)), nodeNumber_(number), bank_(std::move(bank)), patch_(std::move(patch)),
      isLeaf_(isLeaf), isExpandable_(!isLeaf)
{
}

std::unique_ptr<KorvatelNodeData> KorvatelNodeData::groupDataWithName(const std::string& name, int number,
                                                                      std::shared_ptr<Bank> bank)
{
    return std::make_unique<KorvatelNodeData>(name, number, std::move(bank), nullptr, false);
}

std::unique_ptr<KorvatelNodeData> KorvatelNodeData::leafDataWithName(const std::string& name, int number,
                                                                     std::shared_ptr<Patch> patch)
{
    return std::make_unique<KorvatelNodeData>(name, number, nullptr, std::move(patch), true);
}

int KorvatelNodeData::compare(const TreeNodeData& other) const
{
    const auto* o = dynamic_cast<const KorvatelNodeData*>(&other);
    if (!o)
        return 0;
    return nodeNumber_ < o->nodeNumber_ ? -1 : nodeNumber_ > o->nodeNumber_ ? 1 : 0;
}

} // namespace tosk
