// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tosk {

// Moves files and folders into the user's trash, the one every desktop's file
// manager shows and empties: an item on the home folder's file system goes
// to $XDG_DATA_HOME/Trash (~/.local/share/Trash), made when missing; an item
// on another file system goes to the trash at the top of that file system
// ($TOP/.Trash/$UID when the administrator made $TOP/.Trash for everyone,
// else $TOP/.Trash-$UID). Each item first claims a record in the trash's
// info/ folder ("NAME.trashinfo": where it was and when), so that two items
// of one name never meet, then goes into files/ under that name in one
// rename. Nothing is copied: an item that cannot be renamed into a trash
// stays where it was, and the answer says why.
class DesktopTrash {
public:
    struct Result {
        bool trashed = false;
        // Where the item is now (in the trash's files/ folder).
        std::string trashedPath;
        // Why it stays where it was (the system's words, UTF-8).
        std::string reason;
    };

    // The home trash as the environment gives it: $XDG_DATA_HOME/Trash when
    // that is an absolute path, else $HOME/.local/share/Trash; empty when
    // neither is known.
    static std::string homeTrash();

    static Result moveToTrash(const std::string& path);
    // The same with the home trash given.
    static Result moveToTrash(const std::string& path, const std::string& homeTrash);

    // Puts an item of the trash (`trashedPath`, as moveToTrash answered it)
    // back at `path`, where it was, and removes its record; only while
    // nothing has that name. False with errno set (EEXIST: taken), the item
    // left in the trash.
    static bool restore(const std::string& trashedPath, const std::string& path);

    // A path as a ".trashinfo" record writes it: every byte but letters,
    // digits, "/" and -_.!~*'() as %XX.
    static std::string escapedPath(const std::string& path);
};

} // namespace tosk
