// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/LibraryQuery.h"
#include "Toskfile/LibraryScan.h"
#include "Toskfile/PatchSummary.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tosk {

// One patch file as the index knows it.
struct LibraryEntry {
    LibraryFile file;
    PatchSummary summary;
};

// The index of the patch library: the summary of every patch file seen, kept
// in an SQLite file so that the next start need not read every file again.
// It is a cache: the files are the truth. An index file that cannot be read,
// fails its check or was written by another version of this layout is
// removed and built again, never trusted.
//
// An index is used on the thread that made it (Qt SQL's rule).
class LibraryIndex {
public:
    // Raised whenever what is stored changes meaning.
    static constexpr int kSchemaVersion = 1;

    // "$XDG_CACHE_HOME/tosk/library.sqlite", ~/.cache when that is not set.
    static std::string defaultPath();

    // Opens (or makes) the index file at `path`, its folder included.
    explicit LibraryIndex(const std::string& path);
    ~LibraryIndex();
    LibraryIndex(const LibraryIndex&) = delete;
    LibraryIndex& operator=(const LibraryIndex&) = delete;

    // False when even a new file could not be made: the index then lives in
    // memory only, and works all the same.
    bool isStored() const { return stored_; }
    // Whether the file found at opening was thrown away (broken or old).
    bool wasRebuilt() const { return rebuilt_; }

    struct Progress {
        size_t done = 0;
        size_t total = 0;
    };
    struct Changes {
        size_t added = 0;
        size_t changed = 0;
        size_t removed = 0;
        bool operator==(const Changes&) const = default;
    };
    // Brings the index up to date with the patch files below each folder:
    // new and changed files (by time and size) are read, files gone are
    // forgotten. `progress` hears of the files read (done of total). Stops
    // early, keeping what it has done, once `stop` turns true.
    Changes update(const std::vector<std::string>& folders, const std::function<void(Progress)>& progress = {},
                   const std::atomic<bool>* stop = nullptr);

    // Every file known, by path.
    const std::map<std::string, LibraryEntry>& entries() const { return entries_; }
    // The files below any of `roots` that match, sorted by path.
    std::vector<const LibraryEntry*> search(const LibraryQuery& query, const std::vector<std::string>& roots) const;

private:
    bool open(const QString& path);
    bool load();
    void close();
    bool createSchema();
    void store(const std::vector<const LibraryEntry*>& put, const std::vector<std::string>& gone);

    QString connection_;
    bool stored_ = false;
    bool rebuilt_ = false;
    std::map<std::string, LibraryEntry> entries_;
};

} // namespace tosk
