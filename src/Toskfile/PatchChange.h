// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ModuleField.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tosk {

class Module;

// One change of a patch as the edit layer announces it (SigDocument::
// patchDidChange): which operation made it, whether it was done, undone or
// redone, and what it touched. Views redraw, re-read or close from it;
// they never change the model themselves.
struct PatchChange {
    // The operation, in the words of its undo name.
    enum class Kind {
        Move,             // "Move": boxes moved (drag, arrow keys)
        Connect,          // "Connect Field"
        Disconnect,       // "Delete Connection": one input, or every input an output feeds
        Insert,           // "Add Module"
        InsertOnWire,     // "Insert Module": a module put into a wire
        Delete,           // "Delete Selected Modules" or "Cut"
        Paste,            // "Paste"
        Duplicate,        // "Duplicate"
        ReorderModule,    // "Reorder Module"
        Reorder,          // "Reorder SigFile"
        Reposition,       // "Reposition"
        Align,            // "Align Left Edges" and its three twins
        Grid,             // "Grid Selected Graphics"
        AddRepetition,    // "Add Repeating Field"
        RemoveRepetition, // "Delete Repeating Field"
        FieldText,        // "Change Value"
        TitleAndAuthor,   // "Set Title and Author"
        UpdateParameters, // "Update Parameters"
        TakeFromOther,    // "Take from Other": differences of a comparison taken in
        AddComment,       // "Add Comment"
        EditComment,      // "Edit Comment": a comment's text
    };
    enum class Direction { Done, Undone, Redone };

    // What an operation may have touched, as bits of `aspects`.
    enum Aspect : unsigned {
        Order = 1,       // modules entered or left the list, or its order changed
        Geometry = 2,    // boxes moved
        Wiring = 4,      // sources of inputs changed
        Values = 8,      // texts of fields changed
        FieldLists = 16, // repetitions were added or removed
        Comments = 32    // comments came, went, moved or changed their text
    };

    Kind kind = Kind::Move;
    Direction direction = Direction::Done;
    // The undo name key of the operation ("Move", "Connect Field", ...).
    std::string actionName;
    unsigned aspects = 0;
    // Every module touched that is in the patch after the change (boxes
    // moved, fields or wires changed); modules that left the patch are
    // listed in `removed` only. Reordering lists no module: every order
    // badge may have changed.
    std::vector<std::shared_ptr<Module>> modules;
    // Modules that entered or left the patch with this change.
    std::vector<std::shared_ptr<Module>> added;
    std::vector<std::shared_ptr<Module>> removed;
    // Fields whose text, source or flags changed, and fields that came or
    // went with a repetition.
    std::vector<FieldRef> fields;
    // Who asked for the change (an inspector, the canvas); none when unknown.
    // A listener compares it with itself to tell its own edits from others'.
    const void* sender = nullptr;
    // The undo step the change is (UndoManager::stateId() of it while it
    // was done), the same when it is undone and redone; 0 for a change no
    // undo takes back and for one still going on. Views keep what they
    // showed before and after a step under it.
    uint64_t step = 0;

    bool touches(Aspect aspect) const { return (aspects & aspect) != 0; }
};

} // namespace tosk
