// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/EditRecord.h"

#include "Toskfile/PatchState.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/UndoGroup.h"

#include <memory>
#include <unordered_set>

namespace tosk {

namespace {

// One recorded edit: the states before and after it.
struct Step {
    PatchChange::Kind kind;
    std::string actionName;
    unsigned aspects;
    const void* sender;
    PatchState before;
    PatchState after;
    // The undo step it is filed in; 0 when none.
    uint64_t serial = 0;
};

std::vector<Module::FieldPtr> unionOf(std::vector<Module::FieldPtr> a, const std::vector<Module::FieldPtr>& b)
{
    std::unordered_set<const ModuleField*> seen;
    for (const auto& f : a)
        seen.insert(f.get());
    for (const auto& f : b)
        if (seen.insert(f.get()).second)
            a.push_back(f);
    return a;
}

void announce(SigDocument& document, const Step& step, const PatchState& to, const PatchState& from,
              PatchChange::Direction direction)
{
    PatchChange change;
    change.kind = step.kind;
    change.direction = direction;
    change.actionName = step.actionName;
    change.aspects = step.aspects;
    change.sender = step.sender;
    change.step = step.serial;
    change.added = from.missingFrom(to);
    change.removed = to.missingFrom(from);
    std::unordered_set<const Module*> gone;
    for (const auto& m : change.removed)
        gone.insert(m.get());
    for (const auto& m : to.modules())
        if (!gone.count(m.get()))
            change.modules.push_back(m);
    change.fields = unionOf(to.fields(), from.fields());
    document.patchDidChange(change);
}

void replay(SigDocument* document, const std::shared_ptr<const Step>& step, bool undoing)
{
    const PatchState& to = undoing ? step->before : step->after;
    const PatchState& from = undoing ? step->after : step->before;
    to.restore();
    document->undoManager().registerUndo(&to.patch(), [document, step, undoing] { replay(document, step, !undoing); });
    announce(*document, *step, to, from, undoing ? PatchChange::Direction::Undone : PatchChange::Direction::Redone);
}

} // namespace

void EditRecord::commit(SigDocument& document, PatchChange::Kind kind, const std::string& actionName,
                        const PatchState& before, unsigned aspects, const void* sender, bool recordUndo)
{
    auto step = std::make_shared<Step>(Step{kind, actionName, aspects, sender, before, before.after()});
    UndoManager& undo = document.undoManager();
    if (recordUndo && undo.isUndoRegistrationEnabled()) {
        UndoGroup group(undo);
        SigDocument* target = &document;
        std::shared_ptr<const Step> recorded = step;
        undo.registerUndo(&before.patch(), [target, recorded] { replay(target, recorded, true); });
        undo.setActionName(actionName);
        step->serial = undo.stateId();
    } else {
        document.markUnrecoverableChange();
    }
    announce(document, *step, step->after, step->before, PatchChange::Direction::Done);
}

void EditRecord::announceLive(SigDocument& document, PatchChange::Kind kind, const std::vector<Module::Ptr>& modules,
                              unsigned aspects)
{
    PatchChange change;
    change.kind = kind;
    change.aspects = aspects;
    change.modules = modules;
    document.patchDidChange(change);
}

} // namespace tosk
