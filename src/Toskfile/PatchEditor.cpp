// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/PatchEditor.h"

#include "Toskfile/EditRecord.h"
#include "Toskfile/PatchState.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/TkxException.h"

#include <unordered_set>

namespace tosk {

PatchEditor::PatchEditor(SigDocument& document) : document_(&document)
{
    if (!document.sigFile())
        throw TkxException("PatchEditor", "the document has no patch");
}

SigFile& PatchEditor::patch() const
{
    return *document_->sigFile();
}

// ---------------------------------------------------------------- recording

bool PatchEditor::commit(PatchChange::Kind kind, const std::string& actionName, const PatchState& before,
                         unsigned aspects, const void* sender, bool recordUndo)
{
    EditRecord::commit(*document_, kind, actionName, before, aspects, sender, recordUndo);
    return true;
}

// ---------------------------------------------------------------- arguments

Module::Ptr PatchEditor::inPatch(const Module* module) const
{
    if (!module || patch().indexOfModule(module) == ModuleList::npos)
        return nullptr;
    return const_cast<Module*>(module)->shared_from_this();
}

Module::Ptr PatchEditor::topOf(const ModuleField& field) const
{
    Module* top = field.trueParent();
    Module::Ptr owner = inPatch(top);
    // A field removed with its repetition still names its module.
    if (!owner || !owner->containsField(&field))
        return nullptr;
    return owner;
}

std::vector<Module::Ptr> PatchEditor::members(const Modules& modules) const
{
    std::vector<Module::Ptr> result;
    if (modules.empty())
        return result;
    std::unordered_set<const Module*> inList;
    inList.reserve(patch().moduleCount());
    for (const auto& m : patch().listOfModules())
        inList.insert(m.get());
    std::unordered_set<const Module*> taken;
    for (Module* m : modules) {
        // Every module must be in the patch, or the edit is not made at all.
        if (!m || !inList.count(m))
            return {};
        if (taken.insert(m).second)
            result.push_back(m->shared_from_this());
    }
    return result;
}

} // namespace tosk
