// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/DiskUndo.h"

#include <string>
#include <vector>

namespace tosk {

// What becomes of an item moved or copied into a folder that holds one of
// its name, as the user chose: both kept (the new one under a free name),
// the one there replaced (it goes to the trash first, so that nothing is
// lost), or the item left where it is.
class DiskClash {
public:
    enum class Choice { KeepBoth, Replace, Skip };
    // The user's answer; with `toAll` it answers the other clashes of the
    // same drop too.
    struct Answer {
        Choice choice = Choice::Skip;
        bool toAll = false;
    };

    // Where the item goes, or why it does not.
    struct Room {
        // False: skipped, or the one there could not go to the trash
        // (`reason`).
        bool go = false;
        std::string destination;
        std::string reason;
        // The replaced one's way to the trash, for undo.
        std::vector<DiskUndo::Step> steps;
    };

    // The first free name for `name` in `folder`, counting from 2 before
    // the extension of a file ("Pad.sig": "Pad 2.sig", "Pad 3.sig"; a folder
    // "Bank": "Bank 2"), as the trash names its items.
    static std::string keptBothName(const std::string& folder, const std::string& name, bool isFolder);
    // Makes room in `folder` for an item called `name`. Without a clash the
    // item goes under its own name whatever the choice.
    static Room makeRoom(const std::string& folder, const std::string& name, bool isFolder, Choice choice,
                         const DiskUndo::Trash& trash);
    // Whether `folder` holds something called `name`.
    static bool clashes(const std::string& folder, const std::string& name);
};

} // namespace tosk
