#pragma once

#include <string>
#include <string_view>

namespace tosk {

// Writes `bytes` to `path` so that the file is always either the old one or
// the new one, never a mixture: the bytes go to a temporary file in the same
// folder, are flushed to the disk, and the temporary file then replaces
// `path` in one rename. With keepBackup, a file already at `path` is first
// copied to the same name with the extension ".bak" ("demo.sig" keeps
// "demo.bak"), replacing an older backup.
//
// Throws TkxException (name "writeFileAtomically", reason naming the path and
// the system's message) when anything fails; `path` is then unchanged and no
// temporary file is left behind.
void writeFileAtomically(const std::string& path, std::string_view bytes, bool keepBackup);

// Where writeFileAtomically keeps the previous version of `path`; "" when the
// file itself ends in ".bak" and so has no backup.
std::string backupPathFor(const std::string& path);

// Reads a whole file; false (with the system's reason after the path) when
// it cannot be opened or read, a folder included.
bool readWholeFile(const std::string& path, std::string& bytes, std::string* reason = nullptr);

} // namespace tosk
