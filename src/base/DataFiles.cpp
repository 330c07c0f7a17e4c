// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/DataFiles.h"

#include <cstdlib>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tosk {

namespace {
std::string& overrideDir()
{
    static std::string dir;
    return dir;
}

bool isDir(const fs::path& p)
{
    std::error_code ec;
    return fs::is_directory(p, ec);
}
} // namespace

std::string DataFiles::directory()
{
    if (!overrideDir().empty())
        return overrideDir();
    static const std::string found = [] {
        std::error_code ec;
        fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        if (!ec) {
            fs::path dir = exe.parent_path();
            // Beside the program in the build; installed, from bin/ or from
            // libexec/tosk/ (tosk-cli's drawing helper).
            for (const fs::path& candidate :
                 {dir / "data", dir / ".." / "share" / "tosk" / "data", dir / ".." / ".." / "share" / "tosk" / "data"})
                if (isDir(candidate))
                    return fs::weakly_canonical(candidate, ec).string();
        }
#ifdef TOSK_SOURCE_DATA_DIR
        if (isDir(TOSK_SOURCE_DATA_DIR))
            return std::string(TOSK_SOURCE_DATA_DIR);
#endif
        return std::string();
    }();
    return found;
}

void DataFiles::setDirectory(const std::string& dir)
{
    overrideDir() = dir;
}

std::string DataFiles::path(const std::string& relative)
{
    std::string dir = directory();
    if (dir.empty())
        return {};
    fs::path p = fs::path(dir) / relative;
    std::error_code ec;
    return fs::exists(p, ec) ? p.string() : std::string();
}

std::string DataFiles::cacheFolder()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache == '/')
        return std::string(cache) + "/tosk";
    const char* home = std::getenv("HOME");
    if (home && *home == '/')
        return std::string(home) + "/.cache/tosk";
    return {};
}

} // namespace tosk
