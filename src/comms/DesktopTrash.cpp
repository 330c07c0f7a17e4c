// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/DesktopTrash.h"

#include "base/Localization.h"
#include "base/Log.h"
#include "comms/DiskMove.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tosk {

namespace {

std::string systemReason(int error)
{
    return std::generic_category().message(error);
}

std::optional<struct stat> statOf(const std::string& path, bool followLink)
{
    struct stat st {};
    if ((followLink ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return std::nullopt;
    return st;
}

// Makes the folder (mode 0700) unless it is there. In a trash shared by
// the users of a disk a link in its place is no folder of ours; the user's
// own trash may lead elsewhere.
bool ensureFolder(const std::string& path, bool followLink)
{
    if (::mkdir(path.c_str(), 0700) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    const auto st = statOf(path, followLink);
    if (!st || !S_ISDIR(st->st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

// The path itself or the nearest folder above it that exists: where a trash
// not made yet will be.
std::string nearestExisting(const std::string& path)
{
    fs::path p(path);
    while (p.has_relative_path() && !statOf(p.string(), true))
        p = p.parent_path();
    return p.string();
}

bool ensureTrash(const std::string& trash, bool followLinks)
{
    return ensureFolder(trash, followLinks) && ensureFolder(trash + "/files", followLinks) &&
           ensureFolder(trash + "/info", followLinks);
}

// The folder at the top of the file system that holds `path`.
std::string topOfFileSystem(const fs::path& path, dev_t device)
{
    fs::path top = path.parent_path();
    while (top.has_relative_path()) {
        const auto above = statOf(top.parent_path().string(), true);
        if (!above || above->st_dev != device)
            break;
        top = top.parent_path();
    }
    return top.string();
}

// The trash of the file system whose top is `top`, made when needed; empty
// when it has none the user may use.
std::string trashAtTop(const std::string& top)
{
    const std::string uid = std::to_string(::getuid());
    const std::string shared = top + "/.Trash";
    // A shared .Trash is only trusted when it is a real folder with the
    // sticky bit, so that users cannot take each other's folders.
    if (const auto st = statOf(shared, false); st && S_ISDIR(st->st_mode) && (st->st_mode & S_ISVTX)) {
        const std::string mine = shared + "/" + uid;
        if (ensureTrash(mine, false))
            return mine;
    }
    const std::string own = top + "/.Trash-" + uid;
    if (!ensureTrash(own, false))
        return {};
    const auto st = statOf(own, false);
    return st && st->st_uid == ::getuid() ? own : std::string();
}

std::string deletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// "a.sig" gives "a 2.sig", "a 3.sig"...; a folder or a name without an
// extension "a 2".
std::string candidateName(const std::string& name, int n, bool isFolder)
{
    if (n == 1)
        return name;
    const size_t dot = isFolder ? std::string::npos : name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return name + " " + std::to_string(n);
    return name.substr(0, dot) + " " + std::to_string(n) + name.substr(dot);
}

bool writeAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

} // namespace

std::string DesktopTrash::homeTrash()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return std::string(dataHome) + "/Trash";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/share/Trash";
    return {};
}

std::string DesktopTrash::escapedPath(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            std::strchr("/-_.!~*'()", c)) {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
    return out;
}

DesktopTrash::Result DesktopTrash::moveToTrash(const std::string& path)
{
    return moveToTrash(path, homeTrash());
}

DesktopTrash::Result DesktopTrash::moveToTrash(const std::string& path, const std::string& homeTrash)
{
    Result result;
    auto fail = [&](const std::string& why) {
        result.reason = why;
        logf("DesktopTrash.moveToTrash: %s: %s", path.c_str(), why.c_str());
        return result;
    };
    const fs::path item = fs::absolute(path).lexically_normal();
    const std::string itemPath = item.has_filename() ? item.string() : item.parent_path().string();
    const auto st = statOf(itemPath, false);
    if (!st)
        return fail(systemReason(errno));

    // The home trash for what is on the home's file system, else the trash
    // at the top of the item's own.
    std::string trash;
    std::string recordedPath = itemPath;
    if (const auto home = homeTrash.empty() ? std::nullopt : statOf(nearestExisting(homeTrash), true);
        home && home->st_dev == st->st_dev) {
        std::error_code ec;
        fs::create_directories(fs::path(homeTrash).parent_path(), ec);
        if (ec || !ensureTrash(homeTrash, true))
            return fail(fillIn(localized("TrashNotMade", "the Trash folder %s could not be made: %s"),
                               {homeTrash, ec ? ec.message() : systemReason(errno)}));
        trash = homeTrash;
    } else {
        const std::string top = topOfFileSystem(itemPath, st->st_dev);
        trash = trashAtTop(top);
        if (trash.empty())
            return fail(localized("TrashNone", "the disk it is on has no trash"));
        // Records in such a trash name the item from the top of its disk,
        // which may be mounted elsewhere next time.
        recordedPath = fs::path(itemPath).lexically_relative(top).string();
    }

    const std::string name = fs::path(itemPath).filename().string();
    const std::string record =
        "[Trash Info]\nPath=" + escapedPath(recordedPath) + "\nDeletionDate=" + deletionDate() + "\n";
    for (int n = 1; n <= 10000; ++n) {
        const std::string candidate = candidateName(name, n, S_ISDIR(st->st_mode));
        const std::string info = trash + "/info/" + candidate + ".trashinfo";
        const std::string target = trash + "/files/" + candidate;
        // The record claims the name; whoever made it first has it.
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return fail(systemReason(errno));
        }
        const bool written = writeAll(fd, record) && ::fsync(fd) == 0;
        const int writeError = errno;
        ::close(fd);
        if (!written) {
            ::unlink(info.c_str());
            return fail(systemReason(writeError));
        }
        if (DiskMove::renameNoReplace(itemPath, target)) {
            // Told as trashed only when it is in the trash and gone from
            // where it was.
            if (statOf(target, false) && !statOf(itemPath, false)) {
                result.trashed = true;
                result.trashedPath = target;
                return result;
            }
            return fail(localized("TrashNotThere", "it did not arrive in the Trash"));
        }
        const int renameError = errno;
        ::unlink(info.c_str());
        if (renameError != EEXIST)
            return fail(systemReason(renameError));
    }
    return fail(localized("TrashFull", "no free name in the Trash"));
}

bool DesktopTrash::restore(const std::string& trashedPath, const std::string& path)
{
    const fs::path item(trashedPath);
    if (!DiskMove::renameNoReplace(trashedPath, path))
        return false;
    // The record goes once the item is out: a record without its item
    // would only show as a broken entry in the trash.
    const fs::path info = item.parent_path().parent_path() / "info" / (item.filename().string() + ".trashinfo");
    ::unlink(info.c_str());
    return true;
}

} // namespace tosk
