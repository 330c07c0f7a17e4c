// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/UndoManager.h"

#include "base/Localization.h"
#include "base/TkxException.h"

#include <algorithm>

namespace tosk {

void UndoManager::beginUndoGrouping()
{
    ++level_;
}

void UndoManager::endUndoGrouping()
{
    if (level_ == 0)
        throw TkxException("UndoManager.endUndoGrouping", "no undo group is open");
    if (--level_ == 0)
        commitOpenStep();
}

void UndoManager::commitOpenStep()
{
    Step step = std::move(open_);
    open_ = Step();
    if (step.entries.empty())
        return;
    undoStack_.push_back(std::move(step));
    notify(Change::Done);
}

void UndoManager::registerUndo(const void* target, Action action)
{
    if (disabled_ > 0 || !action)
        return;
    if (replayTarget_) {
        replayTarget_->entries.push_back({target, std::move(action)});
        return;
    }
    // A new edit makes the steps undone so far unreachable.
    redoStack_.clear();
    if (open_.entries.empty())
        open_.serial = nextSerial_++;
    open_.entries.push_back({target, std::move(action)});
    if (level_ == 0)
        commitOpenStep();
}

void UndoManager::setActionName(const std::string& key)
{
    std::string name = localizedUndo(key, key);
    if (replayTarget_)
        replayTarget_->name = name;
    else if (level_ > 0)
        open_.name = name;
    else if (!undoStack_.empty())
        undoStack_.back().name = name;
}

bool UndoManager::canUndo() const
{
    return !undoStack_.empty() || !open_.entries.empty();
}

bool UndoManager::canRedo() const
{
    return !redoStack_.empty() && open_.entries.empty();
}

void UndoManager::replay(std::vector<Step>& from, std::vector<Step>& to, bool undoing)
{
    if (replayTarget_)
        throw TkxException(undoing ? "UndoManager.undo" : "UndoManager.redo", "called while replaying a step");
    if (level_ > 0 && !open_.entries.empty()) {
        // The event that asks for undo has already edited: that edit is the
        // step to take back.
        std::string name = open_.name;
        commitOpenStep();
        open_.name = name;
    }
    if (from.empty())
        return;
    Step step = std::move(from.back());
    from.pop_back();
    Step inverse;
    inverse.name = step.name;
    inverse.serial = step.serial;

    struct Reset {
        UndoManager* self;
        ~Reset()
        {
            self->replayTarget_ = nullptr;
            self->undoing_ = self->redoing_ = false;
        }
    } reset{this};
    replayTarget_ = &inverse;
    (undoing ? undoing_ : redoing_) = true;
    for (auto it = step.entries.rbegin(); it != step.entries.rend(); ++it)
        it->action();
    replayTarget_ = nullptr;
    if (!inverse.entries.empty())
        to.push_back(std::move(inverse));
    notify(undoing ? Change::Undone : Change::Redone);
}

void UndoManager::undo()
{
    replay(undoStack_, redoStack_, true);
}

void UndoManager::redo()
{
    replay(redoStack_, undoStack_, false);
}

std::string UndoManager::undoActionName() const
{
    if (!open_.entries.empty())
        return open_.name;
    return undoStack_.empty() ? std::string() : undoStack_.back().name;
}

std::string UndoManager::redoActionName() const
{
    return redoStack_.empty() ? std::string() : redoStack_.back().name;
}

std::string UndoManager::undoMenuItemTitle() const
{
    std::string title = localizedUndo("Undo", "Undo");
    std::string name = undoActionName();
    return name.empty() ? title : title + " " + name;
}

std::string UndoManager::redoMenuItemTitle() const
{
    std::string title = localizedUndo("Redo", "Redo");
    std::string name = redoActionName();
    return name.empty() ? title : title + " " + name;
}

void UndoManager::enableUndoRegistration()
{
    if (disabled_ > 0)
        --disabled_;
}

void UndoManager::removeAllActions()
{
    undoStack_.clear();
    redoStack_.clear();
    open_ = Step();
    baseSerial_ = nextSerial_++;
}

uint64_t UndoManager::stateId() const
{
    if (replayTarget_ && redoing_)
        return replayTarget_->serial;
    if (!open_.entries.empty())
        return open_.serial;
    return undoStack_.empty() ? baseSerial_ : undoStack_.back().serial;
}

void UndoManager::removeAllActions(const void* target)
{
    auto prune = [target](std::vector<Step>& steps) {
        for (auto& step : steps)
            std::erase_if(step.entries, [target](const Entry& e) { return e.target == target; });
        std::erase_if(steps, [](const Step& s) { return s.entries.empty(); });
    };
    prune(undoStack_);
    prune(redoStack_);
    std::erase_if(open_.entries, [target](const Entry& e) { return e.target == target; });
}

void UndoManager::notify(Change change)
{
    if (observer_)
        observer_(change);
}

} // namespace tosk
