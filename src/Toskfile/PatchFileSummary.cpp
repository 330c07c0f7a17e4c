// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/PatchFileSummary.h"

#include "Toskfile/PatchSummary.h"

#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace tosk {

namespace {

// Patches are a few kilobytes; anything far larger is not one.
constexpr uint64_t kLargestPatch = 16u << 20;

struct FileState {
    bool exists = false;
    bool isFolder = false;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
};

FileState stateOf(const std::string& path)
{
    struct stat info;
    FileState state;
    if (::stat(path.c_str(), &info) != 0)
        return state;
    state.exists = true;
    state.isFolder = S_ISDIR(info.st_mode);
    state.size = uint64_t(info.st_size);
    state.modifiedNs = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return state;
}

} // namespace

PatchFileSummary PatchFileSummary::fromText(std::string_view text)
{
    const PatchSummary records = PatchSummary::read(text);
    PatchFileSummary summary;
    summary.readable = true;
    summary.title = records.title;
    summary.modules = records.moduleCount();
    return summary;
}

PatchFileSummary PatchFileSummary::read(const std::string& path)
{
    const FileState state = stateOf(path);
    PatchFileSummary summary;
    if (state.exists && !state.isFolder && state.size <= kLargestPatch) {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!in.bad())
                summary = fromText(bytes);
        }
    }
    summary.isFolder = state.isFolder;
    summary.readable = summary.readable || state.isFolder;
    summary.size = state.size;
    summary.modifiedNs = state.modifiedNs;
    return summary;
}

PatchFileSummary PatchSummaryCache::summaryFor(const std::string& path)
{
    const FileState state = stateOf(path);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = known_.find(path);
        if (found != known_.end() && state.exists && found->second.size == state.size &&
            found->second.modifiedNs == state.modifiedNs && found->second.isFolder == state.isFolder)
            return found->second;
    }
    PatchFileSummary summary = PatchFileSummary::read(path);
    const std::lock_guard<std::mutex> lock(mutex_);
    ++reads_;
    known_[path] = summary;
    return summary;
}

size_t PatchSummaryCache::reads() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return reads_;
}

} // namespace tosk
