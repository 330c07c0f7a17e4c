// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyLink.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tosk::unit {

namespace {
std::runtime_error failure(const std::string& what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}
} // namespace

PtyLink::PtyLink(const std::string& linkPath) : linkPath_(linkPath)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0)
        throw failure("posix_openpt");
    if (::grantpt(master_) < 0 || ::unlockpt(master_) < 0) {
        ::close(master_);
        throw failure("grantpt");
    }
    const char* slavePath = ::ptsname(master_);
    if (!slavePath) {
        const auto error = failure("ptsname");
        ::close(master_);
        throw error;
    }
    slavePath_ = slavePath;
    slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        ::close(master_);
        throw failure("open " + slavePath_);
    }
    termios t{};
    ::tcgetattr(slave_, &t);
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B115200);
    ::cfsetospeed(&t, B115200);
    ::tcsetattr(slave_, TCSANOW, &t);

    struct stat st {};
    if (::lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            ::close(slave_);
            ::close(master_);
            throw std::runtime_error(linkPath + " exists and is not a link; not replacing it");
        }
        ::unlink(linkPath.c_str());
    }
    if (::symlink(slavePath_.c_str(), linkPath.c_str()) < 0) {
        ::close(slave_);
        ::close(master_);
        throw failure("symlink " + linkPath);
    }
}

PtyLink::~PtyLink()
{
    char target[4096];
    ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, size_t(n)) == slavePath_)
        ::unlink(linkPath_.c_str());
    ::close(slave_);
    ::close(master_);
}

long PtyLink::read(unsigned char* buffer, size_t size, int timeoutMs)
{
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return 0;
    ssize_t n = ::read(master_, buffer, size);
    return n < 0 ? 0 : long(n);
}

bool PtyLink::write(const unsigned char* data, size_t length)
{
    size_t done = 0;
    while (done < length) {
        ssize_t n = ::write(master_, data + done, length - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd p{master_, POLLOUT, 0};
        if (::poll(&p, 1, 5000) <= 0)
            return false; // nobody reads the line: give the reply up
    }
    return true;
}

size_t PtyLink::writeSome(const unsigned char* data, size_t length, int timeoutMs)
{
    pollfd p{master_, POLLOUT, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return 0;
    ssize_t n = ::write(master_, data, length);
    return n > 0 ? size_t(n) : 0;
}

} // namespace tosk::unit
