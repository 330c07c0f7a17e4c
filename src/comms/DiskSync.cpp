#include "comms/DiskSync.h"

#include <unistd.h>

namespace tosk {

bool syncFileToDisk(std::FILE* file)
{
    return ::fsync(::fileno(file)) == 0;
}

} // namespace tosk
