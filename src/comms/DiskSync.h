// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/AtomicFile.h"

#include <cstdio>

namespace tosk {

// The platform's waits for written bytes to reach the disk, for
// setDiskSync(): false, with errno set, when the disk did not take them.
bool syncFileToDisk(std::FILE* file);
// The folder's names, a rename in it included. A file system that keeps no
// such state to flush counts as done.
bool syncFolderToDisk(const char* path);

// Both, as setDiskSync() takes them.
const DiskSync& platformDiskSync();

} // namespace tosk
