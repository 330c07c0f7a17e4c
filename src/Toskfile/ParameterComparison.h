// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"
#include "base/Problems.h"

#include <string>
#include <string_view>
#include <vector>

namespace tosk {

class SigFile;

// One field whose value differs between a patch and a unit's copy of it.
struct ParameterDifference {
    ModuleField::Ptr field; // the field of this patch
    std::string moduleName; // the instance name of the module that holds it
    std::string operatorName;
    std::string fieldName;
    std::string here; // its text in this patch
    std::string unit; // its text in the unit's copy
};

// Which values of a patch differ from a unit's copy of it: exactly the
// fields an update from that copy would change (SigFile::updateParams),
// found without changing anything, by the patch comparison in its unit-copy
// mode. The patches are matched module by module as the update matches
// them; copies that do not match (another preset) have no differences to
// take.
class ParameterComparison {
public:
    // Reads the unit's text with the patch's database; a text that is no
    // patch at all matches nothing.
    static ParameterComparison compare(const SigFile& patch, std::string_view unitText);

    bool matches() const { return matches_; }
    const std::vector<ParameterDifference>& differences() const { return differences_; }
    // The program name of the unit's copy (for telling the user which
    // preset it is when the two do not match).
    const std::string& unitProgramName() const { return unitProgramName_; }
    // What reading the unit's copy found (references to nothing), to show.
    const Problems& problems() const { return problems_; }

private:
    bool matches_ = false;
    std::vector<ParameterDifference> differences_;
    std::string unitProgramName_;
    Problems problems_;
};

} // namespace tosk
