// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ParameterComparison.h"

#include "Toskfile/PatchComparison.h"
#include "Toskfile/SigFile.h"

namespace tosk {

ParameterComparison ParameterComparison::compare(const SigFile& patch, std::string_view unitText)
{
    ParameterComparison result;
    std::unique_ptr<SigFile> remote =
        SigFile::fileWithData(unitText, std::string("temp"), patch.sigDbase(), nullptr);
    result.unitProgramName_ = remote->programName();
    result.problems_ = remote->takeProblems();
    const PatchComparison comparison = PatchComparison::compare(patch, *remote, PatchComparison::Mode::UnitCopy);
    result.matches_ = comparison.matches();
    for (const auto& m : comparison.modules())
        for (const auto& f : m.fields)
            result.differences_.push_back({f.mine, std::string(m.mine->instanceName()), m.mine->name(), f.name,
                                           f.before.value_or(""), f.after.value_or("")});
    return result;
}

} // namespace tosk
