// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/DiskMove.h"

#include "base/Log.h"
#include "base/TkxException.h"
#include "comms/DiskSync.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace tosk {

namespace {

std::string systemReason(int error)
{
    return std::strerror(error);
}

// A hidden name in `folder` for an item on its way to being `name`: never
// shown by the browser, and unique (a clash is refused by the O_EXCL or
// mkdir that claims it, and tried again).
fs::path temporaryName(const fs::path& folder, const std::string& name)
{
    static std::mt19937_64 random{std::random_device{}()};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".move-%016llx", static_cast<unsigned long long>(random()));
    std::string hidden = ".";
    hidden += name.substr(0, 200);
    hidden += suffix;
    return folder / hidden;
}

bool isTaken(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// Where renameat2 cannot keep a name from being replaced (an old kernel or
// a file system without the flag), the name is claimed first: a hard link
// for a file, else an empty file or folder made with O_EXCL / mkdir that
// the rename then replaces.
bool renameClaiming(const std::string& from, const std::string& to)
{
    struct stat source;
    if (::lstat(from.c_str(), &source) != 0)
        return false;
    if (!S_ISDIR(source.st_mode)) {
        if (::link(from.c_str(), to.c_str()) == 0) {
            if (::unlink(from.c_str()) != 0) {
                const int error = errno;
                ::unlink(to.c_str());
                errno = error;
                return false;
            }
            return true;
        }
        if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
            return false;
        const int claim = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (claim < 0)
            return false;
        ::close(claim);
    } else if (::mkdir(to.c_str(), 0700) != 0) {
        return false;
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        const int error = errno;
        if (S_ISDIR(source.st_mode))
            ::rmdir(to.c_str());
        else
            ::unlink(to.c_str());
        errno = error;
        return false;
    }
    return true;
}

// Flushes a new file's bytes to the disk; false with errno set.
bool syncDescriptor(int fd)
{
    return ::fsync(fd) == 0 || errno == EINVAL;
}

bool stopRequested(const DiskMove::CopyControl& control)
{
    return control.stop && control.stop->load();
}

// What an entry was when it was copied. Its source is removed only while it
// still is that: a file written to since keeps what the copy lacks.
struct Snapshot {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec modified {};
    struct timespec changed {};
    // The copy holds all of it.
    bool verified = false;
};

Snapshot snapshotOf(const struct stat& info)
{
    Snapshot s;
    s.device = info.st_dev;
    s.inode = info.st_ino;
    s.size = info.st_size;
    s.modified = info.st_mtim;
    s.changed = info.st_ctim;
    return s;
}

bool sameTime(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool unchanged(const Snapshot& copied, const struct stat& now)
{
    return copied.device == now.st_dev && copied.inode == now.st_ino && copied.size == now.st_size &&
           sameTime(copied.modified, now.st_mtim) && sameTime(copied.changed, now.st_ctim);
}

bool stillAsCopied(const fs::path& path, const Snapshot& copied)
{
    struct stat now;
    return copied.verified && ::lstat(path.c_str(), &now) == 0 && unchanged(copied, now);
}

// Copies a regular file into a new file `to` (which must not exist), with
// its permissions and modification time, flushed to the disk. Answers the
// reason on failure or stop, with `to` removed again; `copied` tells what
// the source was, and whether the copy holds all of it.
std::string copyFileContents(const fs::path& from, const fs::path& to, const DiskMove::CopyControl& control = {},
                             Snapshot* copied = nullptr)
{
    // O_NONBLOCK: a named pipe must not hold the window until someone
    // writes into it; it is refused below like anything but a file.
    // O_NOFOLLOW: a link is copied as a link, never read through.
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (in < 0) {
        const std::string reason = systemReason(errno);
        logf("NOT ABLE TO OPEN FILE [%s]", from.c_str());
        return from.string() + ": " + reason;
    }
    struct stat info;
    if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(in);
        logf("NOT ABLE TO OPEN FILE [%s]", from.c_str());
        return from.string() + ": neither a file nor a folder";
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 07777);
    if (out < 0) {
        const std::string reason = systemReason(errno);
        ::close(in);
        logf("NOT ABLE TO CREATE FILE [%s]", to.c_str());
        return to.string() + ": " + reason;
    }
    std::string error;
    off_t total = 0;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        if (stopRequested(control)) {
            error = to.string() + ": stopped";
            break;
        }
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = from.string() + ": " + systemReason(errno);
            break;
        }
        if (n == 0)
            break;
        total += n;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0) {
                error = to.string() + ": " + systemReason(errno);
                break;
            }
            done += w;
        }
        if (!error.empty())
            break;
    }
    if (error.empty() && !syncDescriptor(out))
        error = to.string() + ": " + systemReason(errno);
    if (error.empty()) {
        // The umask must not narrow what the file allowed before.
        ::fchmod(out, info.st_mode & 07777);
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        ::futimens(out, times);
        if (copied) {
            // Written to while it was read: the copy may lack the end.
            struct stat after;
            *copied = snapshotOf(info);
            copied->verified = total == info.st_size && ::fstat(in, &after) == 0 && unchanged(*copied, after);
        }
    }
    if (::close(out) != 0 && error.empty())
        error = to.string() + ": " + systemReason(errno);
    ::close(in);
    if (!error.empty()) {
        logf("NOT ABLE TO CREATE FILE [%s]", to.c_str());
        ::unlink(to.c_str());
    }
    return error;
}

void syncFolder(const fs::path& folder)
{
    if (!syncFolderToDisk(folder.c_str()))
        logf("DiskMove: cannot flush the folder %s: %s", folder.c_str(), std::strerror(errno));
}

DiskMove::Result nameTaken(const fs::path& destination)
{
    logf("FILE [%s] ALREADY EXISTS IN [%s]", destination.filename().c_str(), destination.parent_path().c_str());
    return {DiskMove::Status::Exists, destination.string(), {}, {}};
}

DiskMove::Result failed(const fs::path& destination, std::string reason)
{
    return {DiskMove::Status::Failed, destination.string(), std::move(reason), {}};
}

DiskMove::Result moved(const fs::path& destination, std::string warning = {})
{
    return {DiskMove::Status::Moved, destination.string(), {}, std::move(warning)};
}

// Renames, or says why not; EXDEV is left to the caller.
DiskMove::Result renameInPlace(const fs::path& from, const fs::path& to, int& error)
{
    error = 0;
    if (DiskMove::renameNoReplace(from.string(), to.string())) {
        syncFolder(to.parent_path());
        return moved(to);
    }
    error = errno;
    if (error == EEXIST || error == ENOTEMPTY)
        return nameTaken(to);
    return failed(to, from.string() + ": " + systemReason(error));
}

} // namespace

bool DiskMove::renameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP)
        return false;
    return renameClaiming(from, to);
}

DiskMove::Result DiskMove::moveFile(const std::string& file, const std::string& folder)
{
    const fs::path from(file);
    const fs::path to = fs::path(folder) / from.filename();
    if (isTaken(to))
        return nameTaken(to);
    int error = 0;
    Result result = renameInPlace(from, to, error);
    if (error == EXDEV)
        return moveFileByCopy(file, to.string());
    return result;
}

DiskMove::Result DiskMove::moveFolder(const std::string& folder, const std::string& targetFolder,
                                      const CopyControl& control)
{
    const fs::path from(folder);
    const fs::path to = fs::path(targetFolder) / from.filename();
    std::error_code ec;
    const fs::path source = fs::weakly_canonical(from, ec);
    const fs::path target = fs::weakly_canonical(targetFolder, ec);
    if (std::mismatch(source.begin(), source.end(), target.begin(), target.end()).first == source.end())
        return failed(to, "a folder cannot go into itself");
    if (isTaken(to))
        return nameTaken(to);
    int error = 0;
    Result result = renameInPlace(from, to, error);
    if (error == EXDEV)
        return moveFolderByCopy(folder, to.string(), control);
    return result;
}

DiskMove::Result DiskMove::moveTo(const std::string& path, const std::string& destination, const CopyControl& control)
{
    const fs::path from(path);
    const fs::path to(destination);
    if (isTaken(to))
        return nameTaken(to);
    int error = 0;
    Result result = renameInPlace(from, to, error);
    if (error != EXDEV)
        return result;
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(from, ec)))
        return moveFolderByCopy(path, destination, control);
    return moveFileByCopy(path, destination);
}

DiskMove::Result DiskMove::rename(const std::string& path, const std::string& newName)
{
    const fs::path from(path);
    const fs::path to = from.parent_path() / newName;
    if (newName.empty() || newName == "." || newName == ".." || newName.find('/') != std::string::npos)
        return failed(to, std::string("\"").append(newName).append("\" is not a name for a file or folder"));
    if (isTaken(to))
        return nameTaken(to);
    int error = 0;
    return renameInPlace(from, to, error);
}

DiskMove::Result DiskMove::moveFileByCopy(const std::string& file, const std::string& destination)
{
    const fs::path from(file);
    const fs::path to(destination);
    if (isTaken(to))
        return nameTaken(to);
    const fs::path temporary = temporaryName(to.parent_path(), to.filename().string());
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(from, ec))) {
        // A link goes as a link: what it leads to stays where it is.
        fs::copy_symlink(from, temporary, ec);
        if (ec)
            return failed(to, temporary.string() + ": " + ec.message());
    } else if (std::string reason = copyFileContents(from, temporary); !reason.empty()) {
        return failed(to, reason);
    }
    if (!renameNoReplace(temporary.string(), to.string())) {
        const int error = errno;
        ::unlink(temporary.c_str());
        if (error == EEXIST)
            return nameTaken(to);
        return failed(to, to.string() + ": " + systemReason(error));
    }
    syncFolder(to.parent_path());
    if (::unlink(from.c_str()) != 0) {
        const std::string reason = systemReason(errno);
        logf("NOT ABLE TO REMOVE FILE [%s]", from.c_str());
        return moved(to, from.string() + ": " + reason);
    }
    return moved(to);
}

DiskMove::Result DiskMove::moveFolderByCopy(const std::string& folder, const std::string& destination,
                                            const CopyControl& control)
{
    const fs::path from(folder);
    const fs::path to(destination);
    if (isTaken(to))
        return nameTaken(to);

    // Everything is read before anything is copied: a folder that holds what
    // cannot be copied, or that cannot be read to the end, is left alone.
    struct Entry {
        fs::path relative;
        fs::file_type type;
        Snapshot copied;
    };
    std::vector<Entry> entries;
    std::error_code ec;
    fs::recursive_directory_iterator it(from, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::file_type type = it->symlink_status(ec).type();
        if (ec)
            break;
        if (type != fs::file_type::regular && type != fs::file_type::directory && type != fs::file_type::symlink)
            return failed(to, it->path().string() + ": neither a file nor a folder");
        entries.push_back({it->path().lexically_relative(from), type, {}});
    }
    if (ec)
        return failed(to, from.string() + ": " + ec.message());

    const fs::path temporary = temporaryName(to.parent_path(), to.filename().string());
    if (!fs::create_directory(temporary, ec) || ec) {
        logf("NOT ABLE TO CREATE NEW DIRECTORY [%s]", temporary.c_str());
        std::string reason = to.parent_path().string();
        reason += ": ";
        reason += ec ? ec.message() : systemReason(EEXIST);
        return failed(to, reason);
    }
    std::string reason;
    size_t done = 0;
    for (Entry& entry : entries) {
        if (stopRequested(control))
            break;
        const fs::path source = from / entry.relative;
        const fs::path copy = temporary / entry.relative;
        if (entry.type == fs::file_type::directory) {
            fs::create_directory(copy, source, ec);
            if (ec) {
                logf("NOT ABLE TO CREATE NEW DIRECTORY [%s]", copy.c_str());
                reason = copy.string() + ": " + ec.message();
            }
        } else if (entry.type == fs::file_type::symlink) {
            struct stat info;
            if (::lstat(source.c_str(), &info) == 0) {
                entry.copied = snapshotOf(info);
                fs::copy_symlink(source, copy, ec);
                entry.copied.verified = !ec;
            }
            if (!entry.copied.verified)
                reason = copy.string() + ": " + (ec ? ec.message() : systemReason(errno));
        } else {
            reason = copyFileContents(source, copy, control, &entry.copied);
        }
        if (!reason.empty())
            break;
        ++done;
        if (control.progress)
            control.progress(done, entries.size());
    }
    if (stopRequested(control)) {
        fs::remove_all(temporary, ec);
        return {Status::Stopped, to.string(), {}, {}};
    }
    if (!reason.empty()) {
        fs::remove_all(temporary, ec);
        return failed(to, reason);
    }
    struct stat info;
    if (::stat(from.c_str(), &info) == 0)
        ::chmod(temporary.c_str(), info.st_mode & 07777);
    if (!renameNoReplace(temporary.string(), to.string())) {
        const int error = errno;
        fs::remove_all(temporary, ec);
        if (error == EEXIST || error == ENOTEMPTY)
            return nameTaken(to);
        return failed(to, to.string() + ": " + systemReason(error));
    }
    syncFolder(to.parent_path());

    // The copy is whole and in place. From the source go only the entries
    // still as they were copied, deepest first; whatever was added or
    // written to meanwhile stays, with the folders that hold it.
    bool kept = false;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        const fs::path source = from / entry->relative;
        if (entry->type == fs::file_type::directory) {
            if (::rmdir(source.c_str()) != 0)
                kept = true;
        } else if (!stillAsCopied(source, entry->copied) || ::unlink(source.c_str()) != 0) {
            kept = true;
        }
    }
    if (::rmdir(from.c_str()) != 0) {
        const int error = errno;
        if (error == ENOTEMPTY || error == EEXIST || kept) {
            logf("directory is not empty %s", from.c_str());
            return moved(to, from.string() + ": what was added or changed there while it moved stays there");
        }
        logf("NOT ABLE TO REMOVE DIRECTORY: %s", from.c_str());
        return moved(to, from.string() + ": " + systemReason(error));
    }
    return moved(to);
}

bool DiskMove::writeNewFile(const std::string& path, std::string_view bytes)
{
    const fs::path to(path);
    if (isTaken(to))
        return false;
    const fs::path temporary = temporaryName(to.parent_path(), to.filename().string());
    auto fail = [&](int error) -> bool {
        ::unlink(temporary.c_str());
        logf("NOT ABLE TO CREATE FILE [%s]", path.c_str());
        throw TkxException("DiskMove.writeNewFile", path + ": " + systemReason(error));
    };
    const int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0)
        return fail(errno);
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t w = ::write(out, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0) {
            const int error = errno;
            ::close(out);
            return fail(error);
        }
        done += size_t(w);
    }
    if (!syncDescriptor(out)) {
        const int error = errno;
        ::close(out);
        return fail(error);
    }
    if (::close(out) != 0)
        return fail(errno);
    if (!renameNoReplace(temporary.string(), path)) {
        const int error = errno;
        if (error != EEXIST)
            return fail(error);
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(to.parent_path());
    return true;
}

} // namespace tosk
