// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace tosk {

// What the disk browser's columns show of a patch file without loading it:
// its title (the head record's first text, 8-bit Latin-1 as in the file),
// how many modules it holds (the records naming an operator, the head and
// the tail not counted, nor group headers), its size and when it was last
// written. Reading takes the file's bytes and a look at each record's first
// word: no database is needed, so any thread may read.
struct PatchFileSummary {
    // The file could be read (a folder answers its time alone).
    bool readable = false;
    bool isFolder = false;
    std::string title;
    size_t modules = 0;
    uint64_t size = 0;
    // Nanoseconds since the epoch.
    int64_t modifiedNs = 0;

    // The title and module count of sig-file text.
    static PatchFileSummary fromText(std::string_view text);
    // Of the file or folder at `path`; unreadable when it cannot be read.
    static PatchFileSummary read(const std::string& path);
};

// Summaries kept per path and answered again while the file's time and size
// are those it had when it was read; safe to use from several threads.
class PatchSummaryCache {
public:
    PatchFileSummary summaryFor(const std::string& path);
    // How many files were read rather than answered from the cache.
    size_t reads() const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, PatchFileSummary> known_;
    size_t reads_ = 0;
};

} // namespace tosk
