#pragma once

#include <cstdio>

namespace tosk {

// The platform's wait for written bytes to reach the disk, for
// setDiskSync(): false, with errno set, when the disk did not take them.
bool syncFileToDisk(std::FILE* file);

} // namespace tosk
