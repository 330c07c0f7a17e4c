// SPDX-License-Identifier: GPL-3.0-or-later
// What the disk browser's files share: the texts it shows and the reader of
// the whole tree. Only the DiskView*.cpp files include it.
#pragma once

#include "base/DataFiles.h"
#include "base/Localization.h"
#include "browsers/DiskViewController.h"

#include <QFile>
#include <QIcon>
#include <QString>

#include <atomic>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace tosk {

namespace diskview {

inline QString text(const char* key, const char* fallback, const std::vector<std::string>& values = {})
{
    return QString::fromStdString(fillIn(localized(key, fallback), values));
}

// Paths and names are bytes as the file system gives them; people read them
// through the locale's encoding.
inline QString shown(const std::string& bytes)
{
    return QFile::decodeName(bytes.c_str());
}

inline std::string utf8(const std::string& bytes)
{
    return shown(bytes).toStdString();
}

inline std::string bytesOf(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

inline std::string canonicalPath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : canonical.string();
}

inline std::string normalized(const std::string& path)
{
    std::string p = std::filesystem::path(path).lexically_normal().string();
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

inline QIcon bundledIcon(const char* name)
{
    return QIcon(QString::fromStdString(DataFiles::path(std::string("icons/") + name + ".svg")));
}

inline std::string joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines) {
        if (!all.empty())
            all += '\n';
        all += line;
    }
    return all;
}

} // namespace diskview

// Reads every folder below the shown one on a thread of its own; going, it
// stops the reading and waits for the thread.
struct DiskViewController::TreeReader {
    std::atomic<bool> stop{false};
    std::thread thread;
    ~TreeReader()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
    }
};

} // namespace tosk
