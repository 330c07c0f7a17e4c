// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/NumberedIndex.h"
#include "comms/Patch.h"

namespace tosk {

// The patches of a bank, by display name and by number.
class PatchList {
public:
    // Ignored for null; a patch with a number already present replaces the
    // earlier one under both keys.
    void addPatch(std::shared_ptr<Patch> patch) { index_.add(std::move(patch)); }
    std::shared_ptr<Patch> patchWithName(const std::string& displayName) const { return index_.withName(displayName); }
    std::shared_ptr<Patch> patchWithNumber(int number) const { return index_.withNumber(number); }
    std::vector<int> patchNumberKeys() const { return index_.numberKeys(); }
    // In ascending number.
    std::vector<std::shared_ptr<Patch>> patches() const { return index_.items(); }
    bool isEmpty() const { return index_.isEmpty(); }
    size_t count() const { return index_.count(); }

private:
    NumberedIndex<Patch, &Patch::patchNumber> index_;
};

} // namespace tosk
