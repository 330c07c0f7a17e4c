#include "comms/PatchList.h"

namespace tosk {

void PatchList::addPatch(std::shared_ptr<Patch> patch)
{
    if (!patch)
        return;
    auto old = patchesByNumber_.find(patch->patchNumber());
    if (old != patchesByNumber_.end())
        patches_.erase(old->second->displayName());
    patches_[patch->displayName()] = patch;
    patchesByNumber_[patch->patchNumber()] = patch;
}

std::shared_ptr<Patch> PatchList::patchWithName(const std::string& displayName) const
{
    auto it = patches_.find(displayName);
    return it == patches_.end() ? nullptr : it->second;
}

std::shared_ptr<Patch> PatchList::patchWithNumber(int number) const
{
    auto it = patchesByNumber_.find(number);
    return it == patchesByNumber_.end() ? nullptr : it->second;
}

std::vector<int> PatchList::patchNumberKeys() const
{
    std::vector<int> keys;
    for (const auto& [n, p] : patchesByNumber_)
        keys.push_back(n);
    return keys;
}

std::vector<std::shared_ptr<Patch>> PatchList::patches() const
{
    std::vector<std::shared_ptr<Patch>> out;
    for (const auto& [n, p] : patchesByNumber_)
        out.push_back(p);
    return out;
}

} // namespace tosk
