// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tosk {

// The undo stack of one document. An undoable edit registers its inverse as
// a closure that has captured the arguments it needs; everything registered
// between the caller's beginUndoGrouping() and the matching
// endUndoGrouping() (one user event) is one step. While a step is being
// undone, whatever the closures register is filed as the redo of that step,
// and while it is redone, as its undo again, so undo and redo alternate
// without limit.
class UndoManager {
public:
    using Action = std::function<void()>;

    // How the stack changed the document, for its change count.
    enum class Change { Done, Undone, Redone };
    using ChangeObserver = std::function<void(Change)>;

    UndoManager() = default;
    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;

    // Groups nest; only the outermost pair makes a step. A registration made
    // outside any group is a step of its own.
    void beginUndoGrouping();
    void endUndoGrouping();
    int groupingLevel() const { return level_; }

    // `target` identifies who registered (removeAllActions(target) drops its
    // entries); it is never dereferenced.
    void registerUndo(const void* target, Action action);

    // Names the step being built (or the last one when none is open); the name
    // is looked up by key in the "UndoStrings" table.
    void setActionName(const std::string& key);

    bool canUndo() const;
    bool canRedo() const;
    // Replays the last step's inverses, newest first. An open group keeps
    // what was registered so far as a step of its own before the undo.
    void undo();
    void redo();
    bool isUndoing() const { return undoing_; }
    bool isRedoing() const { return redoing_; }

    std::string undoActionName() const;
    std::string redoActionName() const;
    // "Undo <name>" and "Redo <name>" ("Undo" alone for an unnamed step).
    std::string undoMenuItemTitle() const;
    std::string redoMenuItemTitle() const;

    // Loading and other bulk work record nothing while disabled (nestable).
    void disableUndoRegistration() { ++disabled_; }
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const { return disabled_ == 0; }

    void removeAllActions();
    void removeAllActions(const void* target);

    size_t undoCount() const { return undoStack_.size(); }
    size_t redoCount() const { return redoStack_.size(); }

    // Which state of the document the stack stands for: the step last done
    // (the one being built or replayed while that goes on), or the base when
    // none is. Every step keeps its number through undo and redo, and no
    // number is used twice, so a document that remembers the number at
    // saving knows whether it is back at the saved state. Clearing the stack
    // starts a new base.
    uint64_t stateId() const;

    // The document follows the stack: Done when a step is completed,
    // Undone/Redone when one is replayed.
    void setChangeObserver(ChangeObserver observer) { observer_ = std::move(observer); }

private:
    struct Entry {
        const void* target;
        Action action;
    };
    struct Step {
        std::vector<Entry> entries;
        std::string name;
        uint64_t serial = 0;
    };

    void commitOpenStep();
    void replay(std::vector<Step>& from, std::vector<Step>& to, bool undoing);
    void notify(Change change);

    std::vector<Step> undoStack_;
    std::vector<Step> redoStack_;
    Step open_;                    // the step the current group is building
    Step* replayTarget_ = nullptr; // where registrations go during undo/redo
    int level_ = 0;
    int disabled_ = 0;
    uint64_t nextSerial_ = 1;
    uint64_t baseSerial_ = 0;
    bool undoing_ = false;
    bool redoing_ = false;
    ChangeObserver observer_;
};

} // namespace tosk
