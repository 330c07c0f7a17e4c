// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace tosk::unit {

struct StoredPatch {
    int number = 0;
    std::string name; // as the unit shows it
    std::string text; // the sig file
};

struct StoredBank {
    int number = 0;
    std::string name;
    std::vector<StoredPatch> patches; // ascending number
};

// The unit's stored patches: a folder with one sub-folder per bank
// ("1 Reverbs"), each holding sig files ("0 Small Room.sig"). A leading
// number gives the bank or patch number; without one, the position does.
// Names are file names turned back into patch names (":" for "-", "/" for "|").
class PatchBanks {
public:
    // Throws std::runtime_error when the folder cannot be read.
    static PatchBanks load(const std::string& folder);

    const std::vector<StoredBank>& banks() const { return banks_; }
    const StoredBank* bank(int number) const;
    const StoredPatch* patch(int bank, int number) const;

private:
    std::vector<StoredBank> banks_;
};

} // namespace tosk::unit
