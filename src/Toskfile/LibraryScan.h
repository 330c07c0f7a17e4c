// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace tosk {

// The patch files of a folder tree as the disk browser shows them (".sig"
// and ".bak" files; hidden entries and links passed over), with what tells
// a changed file: its modification time and size.
struct LibraryFile {
    std::string path;
    // Nanoseconds of the file clock; only compared for equality.
    int64_t modified = 0;
    int64_t size = 0;
    bool operator==(const LibraryFile&) const = default;
};

// Every patch file below `root`, sorted by path. Folders that cannot be read
// are passed over; a `root` that is not a folder (or a link to one) gives
// none. Stops early,
// with what it has, once `stop` turns true.
std::vector<LibraryFile> scanLibrary(const std::string& root, const std::atomic<bool>* stop = nullptr);

// The one file at `path` as scanLibrary would list it; false when it is no
// patch file (any more).
bool statLibraryFile(const std::string& path, LibraryFile& file);

// Whether `path` is `root` or lies below it.
bool isInsideFolder(const std::string& path, const std::string& root);

} // namespace tosk
