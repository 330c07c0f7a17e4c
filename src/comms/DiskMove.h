// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tosk {

// How a long copy reports and is stopped. Both are used on the thread
// that copies: `progress` after each entry copied (entries done, entries
// in all), `stop` looked at before each entry and between the blocks of
// a file.
struct DiskCopyControl {
    const std::atomic<bool>* stop = nullptr;
    std::function<void(size_t done, size_t total)> progress;
};

// Moving and writing files and folders without ever replacing what has a
// name already. Whatever happens, nothing is lost: a name that is taken
// leaves both items as they were; an item goes from its old place only once
// it is whole in its new one.
class DiskMove {
public:
    enum class Status {
        Moved,   // the item is at `destination` (see `warning`)
        Exists,  // `destination` was taken: nothing changed
        Failed,  // nothing changed (see `reason`)
        Stopped, // stopped before the copy was whole: nothing changed
    };
    struct Result {
        Status status = Status::Failed;
        std::string destination;
        // Why it failed, for the user (system's words, UTF-8).
        std::string reason;
        // Moved, but the source could not be removed: it is still there too.
        std::string warning;
    };
    using CopyControl = DiskCopyControl;

    // Gives `from` the name `to` in one step, only when nothing has that
    // name. False with errno set otherwise (EEXIST: taken; EXDEV: another
    // file system), and then both are untouched.
    static bool renameNoReplace(const std::string& from, const std::string& to);

    // Moves the file into `folder` under its name (a link as a link). Within
    // one file system it is renamed; across file systems it is copied into a
    // temporary file in `folder`, flushed to the disk, linked into place
    // while the name is still free, and only then removed from where it was.
    static Result moveFile(const std::string& file, const std::string& folder);
    // The same for a folder and everything in it (hidden files and files the
    // browser does not show included, links as links); across file systems
    // the whole folder is read and copied first, so that it moves entirely
    // or not at all. Refused when `folder` is `targetFolder` or lies above it.
    static Result moveFolder(const std::string& folder, const std::string& targetFolder,
                             const CopyControl& control = {});
    // Moves a file or folder to `destination` (a full path, its name
    // perhaps another), renamed within one file system, else copied as
    // moveFileByCopy and moveFolderByCopy do.
    static Result moveTo(const std::string& path, const std::string& destination, const CopyControl& control = {});
    // Gives a file or folder another name in its folder.
    static Result rename(const std::string& path, const std::string& newName);

    // The copying way of moveFile and moveFolder, to `destination` (a full
    // path), whatever the file systems. A folder's copy is put in place only
    // once it is whole; then each entry copied is removed from the source
    // only when it is still as it was copied, so that what was written into
    // the source meanwhile stays there (see `warning`).
    static Result moveFileByCopy(const std::string& file, const std::string& destination);
    static Result moveFolderByCopy(const std::string& folder, const std::string& destination,
                                   const CopyControl& control = {});

    // Writes a new file as writeFileAtomically does (a temporary file
    // beside it, flushed to the disk), but only when nothing has the name:
    // false, with nothing written and nothing left behind, when it is taken.
    // Throws TkxException "DiskMove.writeNewFile" when the file cannot be
    // written.
    static bool writeNewFile(const std::string& path, std::string_view bytes);
};

} // namespace tosk
