#pragma once

#include "comms/Patch.h"

#include <map>
#include <memory>
#include <vector>

namespace tosk {

// The patches of a bank, by display name and by number.
class PatchList {
public:
    // Ignored for null; a patch with a number already present replaces the
    // earlier one under both keys.
    void addPatch(std::shared_ptr<Patch> patch);
    std::shared_ptr<Patch> patchWithName(const std::string& displayName) const;
    std::shared_ptr<Patch> patchWithNumber(int number) const;
    std::vector<int> patchNumberKeys() const;
    // In ascending number.
    std::vector<std::shared_ptr<Patch>> patches() const;
    bool isEmpty() const { return patchesByNumber_.empty(); }
    size_t count() const { return patchesByNumber_.size(); }

private:
    std::map<std::string, std::shared_ptr<Patch>> patches_;
    std::map<int, std::shared_ptr<Patch>> patchesByNumber_;
};

} // namespace tosk
