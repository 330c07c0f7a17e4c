// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/AtomicFile.h"

#include "base/Log.h"
#include "base/TkxException.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace tosk {

namespace {

const char* const kName = "writeFileAtomically";

[[noreturn]] void fail(const std::string& path, const std::string& why)
{
    throw TkxException(kName, path + ": " + why);
}

// A name beside the target that no other writer is using.
fs::path temporaryBeside(const fs::path& target, const char* tag)
{
    static std::mt19937_64 random{std::random_device{}()};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%s-%016llx", tag, static_cast<unsigned long long>(random()));
    // A target name near the file system's 255-byte limit leaves no room for
    // the prefix and suffix: only its start is kept.
    constexpr size_t kKept = 200;
    std::string name(".");
    name += target.filename().string().substr(0, kKept);
    name += suffix;
    return target.parent_path() / name;
}

std::atomic<const DiskSync*>& installedDiskSync()
{
    static std::atomic<const DiskSync*> sync{nullptr};
    return sync;
}

// The bytes must be on the disk before the rename makes them the file: a
// crash right after the rename must not leave an empty patch. A disk that
// cannot take them fails the write.
bool flushToDisk(std::FILE* file)
{
    const DiskSync* sync = installedDiskSync().load();
    return !sync || !sync->syncFile || sync->syncFile(file);
}

// Then the rename itself goes to the disk, or a power cut could bring back
// the old file (or none). The new file is in place already, so a folder that
// cannot be flushed is only worth a log line.
void flushFolder(const fs::path& folder)
{
    const DiskSync* sync = installedDiskSync().load();
    if (sync && sync->syncFolder && !sync->syncFolder(folder.c_str()))
        logf("%s: cannot flush the folder %s: %s", kName, folder.c_str(), std::strerror(errno));
}

// Writes a new file that must not exist yet; answers the reason on failure.
std::string writeNewFile(const fs::path& path, std::string_view bytes, FileAccess access)
{
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file)
        return std::strerror(errno);
    std::string error;
    // Closed to others before it holds anything.
    if (access == FileAccess::OwnerOnly) {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ec);
        if (ec)
            error = ec.message();
    }
    if (error.empty() && !bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        error = std::strerror(errno);
    if (error.empty() && std::fflush(file) != 0)
        error = std::strerror(errno);
    if (error.empty() && !flushToDisk(file))
        error = std::strerror(errno);
    if (std::fclose(file) != 0 && error.empty())
        error = std::strerror(errno);
    return error;
}

void removeQuietly(const fs::path& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

} // namespace

void setDiskSync(const DiskSync* sync)
{
    installedDiskSync().store(sync);
}

std::string backupPathFor(const std::string& path)
{
    fs::path p(path);
    if (p.extension() == ".bak")
        return std::string();
    return fs::path(p).replace_extension(".bak").string();
}

void writeFileAtomically(const std::string& path, std::string_view bytes, bool keepBackup, FileAccess access)
{
    std::error_code ec;
    fs::path target = fs::absolute(fs::path(path), ec);
    if (ec)
        fail(path, ec.message());
    // A link stays a link: the file it leads to is the one replaced, with
    // its backup beside it.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        fs::path linked = fs::canonical(target, ec);
        if (!ec)
            target = linked;
    }
    const fs::file_status status = fs::status(target, ec);
    const bool exists = fs::exists(status);
    if (exists && !fs::is_regular_file(status))
        fail(path, "not a regular file");

    const fs::path temporary = temporaryBeside(target, "tmp");
    std::string error = writeNewFile(temporary, bytes, access);
    if (!error.empty()) {
        removeQuietly(temporary);
        fail(path, error);
    }
    // The new file keeps the permissions of the one it replaces.
    if (exists && access == FileAccess::AsBefore)
        fs::permissions(temporary, status.permissions(), fs::perm_options::replace, ec);

    if (exists && keepBackup) {
        const std::string backup = backupPathFor(target.string());
        if (!backup.empty()) {
            // Copied under a temporary name and renamed, so that an old
            // backup is never half replaced either.
            const fs::path copy = temporaryBeside(target, "bak");
            fs::copy_file(target, copy, fs::copy_options::overwrite_existing, ec);
            if (!ec)
                fs::rename(copy, backup, ec);
            if (ec) {
                removeQuietly(copy);
                removeQuietly(temporary);
                fail(path, "cannot keep the backup " + backup + ": " + ec.message());
            }
        }
    }

    fs::rename(temporary, target, ec);
    if (ec) {
        removeQuietly(temporary);
        fail(path, ec.message());
    }
    flushFolder(target.parent_path());
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string* reason)
{
    std::string read;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    bool ok = file != nullptr;
    if (ok) {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            read.append(buffer, n);
        // A folder opens but does not read.
        ok = !std::ferror(file);
        std::fclose(file);
    }
    if (!ok) {
        if (reason)
            *reason = path + ": " + std::strerror(errno);
        return false;
    }
    bytes = std::move(read);
    return true;
}

} // namespace tosk
