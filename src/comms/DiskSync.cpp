// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/DiskSync.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tosk {

bool syncFileToDisk(std::FILE* file)
{
    return ::fsync(::fileno(file)) == 0;
}

bool syncFolderToDisk(const char* path)
{
    const int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return false;
    // EINVAL: the file system cannot flush a folder, and has nothing to.
    const bool synced = ::fsync(folder) == 0 || errno == EINVAL;
    const int error = errno;
    ::close(folder);
    errno = error;
    return synced;
}

const DiskSync& platformDiskSync()
{
    static const DiskSync sync{syncFileToDisk, syncFolderToDisk};
    return sync;
}

} // namespace tosk
