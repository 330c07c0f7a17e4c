#include "Toskfile/ParameterComparison.h"

#include "Toskfile/SigFile.h"

#include <set>

namespace tosk {

ParameterComparison ParameterComparison::compare(const SigFile& patch, std::string_view unitText)
{
    ParameterComparison result;
    std::unique_ptr<SigFile> remote =
        SigFile::fileWithData(std::string(unitText), std::string("temp"), patch.sigDbase(), nullptr);
    result.unitProgramName_ = remote->programName();
    const Module::FieldList mine = patch.nameFieldList(true);
    const Module::FieldList theirs = remote->nameFieldList(true);
    if (mine.empty() || mine.size() != theirs.size())
        return result;
    std::vector<std::pair<const Module*, const Module*>> pairs;
    std::set<const Module*> seen;
    for (size_t i = 0; i < mine.size(); ++i) {
        const Module* a = mine[i]->trueParent();
        const Module* b = theirs[i]->trueParent();
        if (!a || !b || a->name() != b->name() || a->fieldCount() != b->fieldCount())
            return result;
        // A group names its members too; it is compared once.
        if (seen.insert(a).second)
            pairs.emplace_back(a, b);
    }
    result.matches_ = true;
    for (const auto& [a, b] : pairs)
        for (size_t index : a->differingParameters(*b)) {
            const Module::FieldPtr& field = a->fieldArray()[index];
            result.differences_.push_back(
                {field, a->instanceName(), a->name(), field->name(), field->text(), b->fieldArray()[index]->text()});
        }
    return result;
}

} // namespace tosk
