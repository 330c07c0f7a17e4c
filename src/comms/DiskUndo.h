// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/DesktopTrash.h"

#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tosk {

// Undo and redo of what the disk browser does to files, as a file manager
// offers them: a move or rename, a new folder, a move to the trash. Each
// user action is one record of steps; undoing takes its steps back in the
// opposite order, redoing does them again.
//
// Before anything is touched every step is checked: the item must still be
// where the step left it and as it was then (a file's size and time, the
// same file or folder), the place it goes back to must be free, and a new
// folder must be empty. When one check fails nothing changes and the answer
// says why. A step that fails all the same (the disk changed between the
// check and the step) has the steps already done taken back.
class DiskUndo {
public:
    // What an item was when a step left it.
    struct Stamp {
        bool exists = false;
        bool isFolder = false;
        dev_t device = 0;
        ino_t inode = 0;
        uint64_t size = 0;
        int64_t modifiedNs = 0;
        static Stamp of(const std::string& path);
        // The same item, unchanged (a folder's content may change).
        bool sameAs(const Stamp& now) const;
    };
    struct Step {
        enum class Kind {
            Move,       // `from` went to `to`
            MakeFolder, // the folder `to` was made
            Trash,      // `from` went into the trash, as `to`
        };
        Kind kind = Kind::Move;
        std::string from;
        std::string to;
        // The item where the step (or its redo) left it.
        Stamp stamp;
    };
    struct Record {
        // The action's name as Edit ▸ Undo shows it ("Rename").
        std::string name;
        std::vector<Step> steps;
    };
    struct Outcome {
        bool done = false;
        // Why nothing changed, for the user (UTF-8).
        std::string reason;
        // The steps as they were carried out: the paths that changed.
        std::vector<Step> steps;
    };
    using Trash = std::function<DesktopTrash::Result(const std::string& path)>;

    // A redo of a move to the trash moves the item there again through
    // `trash` (default: DesktopTrash::moveToTrash).
    explicit DiskUndo(Trash trash = {});

    // The steps as done now, stamped with what they left.
    static Step moved(const std::string& from, const std::string& to);
    static Step madeFolder(const std::string& path);
    static Step trashed(const std::string& from, const std::string& trashedPath);

    // A new action: what was undone can no longer be redone. A record
    // without steps is not kept.
    void push(Record record);
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // The names of the actions Undo and Redo would take back or do again.
    std::string undoName() const;
    std::string redoName() const;
    Outcome undo();
    Outcome redo();
    void clear();

private:
    Outcome apply(Record& record, bool backwards);

    Trash trash_;
    std::vector<Record> undo_;
    std::vector<Record> redo_;
};

} // namespace tosk
