// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tosk {

// How writeFileAtomically waits for the disk. The standard library has no
// such calls, so the platform layer installs them (comms/DiskSync.h) at
// start-up.
struct DiskSync {
    // Waits until the bytes written to the file are on the disk; false (with
    // errno set) when they cannot be, which fails the write.
    bool (*syncFile)(std::FILE* file) = nullptr;
    // Waits until the folder's names are on the disk, so that the rename
    // which put the new file in place survives a power cut; false (with
    // errno set) when they cannot be, which is logged: the file is written.
    bool (*syncFolder)(const char* path) = nullptr;
};
// Installs how writeFileAtomically waits for the disk (kept by address);
// null: it hands the bytes to the system and does not wait.
void setDiskSync(const DiskSync* sync);

// Who may read the file written: whoever could read the file it replaces
// (a new file as the folder and the umask allow), or its owner alone
// (0600), whatever the file replaced allowed.
enum class FileAccess { AsBefore, OwnerOnly };

// Writes `bytes` to `path` so that the file is always either the old one or
// the new one, never a mixture: the bytes go to a temporary file in the same
// folder, are flushed to the disk, and the temporary file then replaces
// `path` in one rename, itself flushed. A `path` that is a link is written through: the
// file it leads to is replaced. With keepBackup, a file already at `path` is first
// copied to the same name with the extension ".bak" ("demo.sig" keeps
// "demo.bak"), replacing an older backup.
//
// Throws TkxException (name "writeFileAtomically", reason naming the path and
// the system's message) when anything fails; `path` is then unchanged and no
// temporary file is left behind.
void writeFileAtomically(const std::string& path, std::string_view bytes, bool keepBackup,
                         FileAccess access = FileAccess::AsBefore);

// Where writeFileAtomically keeps the previous version of `path`; "" when the
// file itself ends in ".bak" and so has no backup.
std::string backupPathFor(const std::string& path);

// Reads a whole file; false (with the system's reason after the path) when
// it cannot be opened or read, a folder included.
bool readWholeFile(const std::string& path, std::string& bytes, std::string* reason = nullptr);

} // namespace tosk
