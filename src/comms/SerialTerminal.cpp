// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/SerialTerminal.h"

#include "base/Log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace tosk {

namespace {

// The attributes each open device had before we touched it. Kept per
// descriptor: the request server and a unit window may have the same device
// open at once, and each must put back what it found.
std::mutex priorMutex;
std::map<int, termios>& priorAttributes()
{
    static std::map<int, termios> table;
    return table;
}

int waitFor(int fd, short events, std::chrono::milliseconds timeout)
{
    pollfd p{fd, events, 0};
    int ms = timeout.count() < 0 ? 0 : int(timeout.count());
    for (;;) {
        int r = ::poll(&p, 1, ms);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (r == 0)
            return 0;
        if (p.revents & POLLNVAL) {
            errno = EBADF;
            return -1;
        }
        return 1;
    }
}

} // namespace

int openSerialPort(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        int e = errno;
        logf("Error opening serial port %s - %s(%d).", path.c_str(), std::strerror(e), e);
        errno = e;
        return -1;
    }
    termios prior{};
    if (::tcgetattr(fd, &prior) < 0) {
        int e = errno;
        logf("Error getting tty attributes %s - %s(%d).", path.c_str(), std::strerror(e), e);
        ::close(fd);
        errno = e;
        return -1;
    }
    // TIOCEXCL keeps later opens out (root passes it), the flock tells
    // programs that lock as we do; either way the line is not shared.
    if (::flock(fd, LOCK_EX | LOCK_NB) < 0) {
        int e = errno == EWOULDBLOCK ? EBUSY : errno;
        logf("Error locking serial port %s - %s(%d).", path.c_str(), std::strerror(e), e);
        ::close(fd);
        errno = e;
        return -1;
    }
    if (::ioctl(fd, TIOCEXCL) < 0)
        logf("Error setting exclusive use of %s - %s(%d).", path.c_str(), std::strerror(errno), errno);
    std::lock_guard lock(priorMutex);
    priorAttributes()[fd] = prior;
    return fd;
}

int closeSerialPort(int fd)
{
    if (drainSerialOutput(fd, std::chrono::seconds(2)) < 0)
        logf("Error waiting for drain - %s(%d).", std::strerror(errno), errno);
    // The exclusive mark stays on the terminal while anyone else has it open
    // (a simulator keeps its own end open): take it off before we go.
    ::ioctl(fd, TIOCNXCL);
    std::optional<termios> prior;
    {
        std::lock_guard lock(priorMutex);
        auto it = priorAttributes().find(fd);
        if (it != priorAttributes().end()) {
            prior = it->second;
            priorAttributes().erase(it);
        }
    }
    if (prior && ::tcsetattr(fd, TCSANOW, &*prior) < 0)
        logf("Error resetting tty attributes - %s(%d).", std::strerror(errno), errno);
    return ::close(fd);
}

int inputTimeout(int fd, std::chrono::milliseconds timeout)
{
    return waitFor(fd, POLLIN, timeout);
}

int outputTimeout(int fd, std::chrono::milliseconds timeout)
{
    return waitFor(fd, POLLOUT, timeout);
}

int drainSerialOutput(int fd, std::chrono::milliseconds limit, int* unsent)
{
    if (unsent)
        *unsent = 0;
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) < 0)
            return ::tcdrain(fd); // no queue count here: the plain call must do
        if (queued <= 0)
            return ::tcdrain(fd); // nothing left, returns at once
        if (std::chrono::steady_clock::now() >= deadline) {
            ::tcflush(fd, TCOFLUSH);
            if (unsent)
                *unsent = queued;
            errno = ETIME;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string getErrorMessage()
{
    return std::strerror(errno);
}

} // namespace tosk
