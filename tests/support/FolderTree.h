// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Folder trees for the disk tests: written from a list, read back whole as
// one text, so that a test compares every name and byte in one go.
#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tosk::test {

// Writes each entry below `root`: "path/" a folder, "path=bytes" a file
// (with the folders it is in).
inline void writeTree(const std::filesystem::path& root, const std::vector<std::string>& entries)
{
    for (const std::string& entry : entries) {
        const size_t is = entry.find('=');
        const std::filesystem::path path = root / entry.substr(0, is);
        std::filesystem::create_directories(is == std::string::npos ? path : path.parent_path());
        if (is != std::string::npos)
            writeFile(path, entry.substr(is + 1));
    }
}

// Every entry below `folder`, sorted, one a line: "path/" for a folder,
// "path=bytes" for a file, "path->target" for a link (never followed) and
// "path|" for a pipe (reading it would wait for a writer). Hidden files too.
inline std::string treeOf(const std::filesystem::path& folder)
{
    std::vector<std::string> lines;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        if (entry.is_symlink())
            lines.push_back(name + "->" + std::filesystem::read_symlink(entry.path()).string());
        else if (entry.is_directory())
            lines.push_back(name + "/");
        else if (entry.is_fifo())
            lines.push_back(name + "|");
        else
            lines.push_back(name + "=" + readFile(entry.path()));
    }
    std::sort(lines.begin(), lines.end());
    std::string all;
    for (const std::string& line : lines)
        all += line + "\n";
    return all;
}

// The names in `folder` (not below it); none when there is no such folder.
inline std::set<std::string> namesIn(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace tosk::test
