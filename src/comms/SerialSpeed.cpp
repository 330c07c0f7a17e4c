// SPDX-License-Identifier: GPL-3.0-or-later
// Kept apart from the other terminal code: the kernel's termios2 header cannot
// share a translation unit with <termios.h>.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace tosk {

int setArbitrarySpeed(int fd, int inputSpeed, int outputSpeed)
{
    struct termios2 t;
    if (::ioctl(fd, TCGETS2, &t) < 0)
        return -1;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = static_cast<speed_t>(inputSpeed);
    t.c_ospeed = static_cast<speed_t>(outputSpeed);
    return ::ioctl(fd, TCSETS2, &t) < 0 ? -1 : 0;
}

int getArbitrarySpeed(int fd, int& inputSpeed, int& outputSpeed)
{
    struct termios2 t;
    if (::ioctl(fd, TCGETS2, &t) < 0)
        return -1;
    inputSpeed = static_cast<int>(t.c_ispeed);
    outputSpeed = static_cast<int>(t.c_ospeed);
    return 0;
}

} // namespace tosk
