// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/LibraryScan.h"

#include "Toskfile/DiskFileTreeNode.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace tosk {

namespace {

int64_t ticks(const fs::file_time_type& time)
{
    return int64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count());
}

} // namespace

std::vector<LibraryFile> scanLibrary(const std::string& root, const std::atomic<bool>* stop)
{
    std::vector<LibraryFile> files;
    std::error_code ec;
    // The root itself may be a link: links are passed over only below it.
    if (!fs::is_directory(root, ec))
        return files;
    // Folders wait in a list rather than on the call stack: a tree may be
    // deeper than the stack is.
    std::vector<fs::path> pending{fs::path(root)};
    while (!pending.empty() && !(stop && stop->load())) {
        const fs::path folder = std::move(pending.back());
        pending.pop_back();
        fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
        if (ec)
            continue;
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.empty() || name[0] == '.')
                continue;
            std::error_code typeError;
            const fs::file_type type = it->symlink_status(typeError).type();
            if (type == fs::file_type::directory) {
                pending.push_back(it->path());
            } else if (type == fs::file_type::regular && DiskFileTreeNode::isPatchFileName(name)) {
                LibraryFile file;
                file.path = it->path().string();
                file.modified = ticks(it->last_write_time(typeError));
                file.size = int64_t(it->file_size(typeError));
                if (!typeError)
                    files.push_back(std::move(file));
            }
        }
    }
    std::sort(files.begin(), files.end(), [](const LibraryFile& a, const LibraryFile& b) { return a.path < b.path; });
    return files;
}

bool statLibraryFile(const std::string& path, LibraryFile& file)
{
    std::error_code ec;
    const fs::path p(path);
    const std::string name = p.filename().string();
    if (name.empty() || name[0] == '.' || !DiskFileTreeNode::isPatchFileName(name))
        return false;
    if (fs::symlink_status(p, ec).type() != fs::file_type::regular)
        return false;
    file.path = path;
    file.modified = ticks(fs::last_write_time(p, ec));
    file.size = int64_t(fs::file_size(p, ec));
    return !ec;
}

bool isInsideFolder(const std::string& path, const std::string& root)
{
    if (root.empty() || path.compare(0, root.size(), root) != 0)
        return false;
    return path.size() == root.size() || root.back() == '/' || path[root.size()] == '/';
}

} // namespace tosk
