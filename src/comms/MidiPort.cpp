// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/MidiPort.h"

#include "base/Log.h"
#include "base/TkxException.h"
#include "comms/MidiPortList.h"
#include "comms/SerialTerminal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sound/asound.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace tosk {

namespace {

using Clock = std::chrono::steady_clock;

std::string errorText(int error)
{
    return std::strerror(error);
}

} // namespace

MidiPort::~MidiPort()
{
    try {
        close();
    } catch (const TkxException&) {
    }
}

bool MidiPort::open()
{
    if (isOpen())
        return true;
    if (portPath_.empty())
        throw TkxException("MidiPort.open", "no portPath");
    const int fd = MidiPortList::openNode(portPath_, card_, subdevice_, O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw TkxException("MidiPort.open", format("%s - %s", portPath_.c_str(), getErrorMessage().c_str()), errno,
                           portPath_);
    // A terminal standing in for the interface must carry every byte as it is.
    terminal_ = ::isatty(fd) == 1;
    if (terminal_) {
        termios t{};
        if (::tcgetattr(fd, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
        }
    }
    fileDescriptor_ = fd;
    pending_.clear();
    pendingFrom_ = 0;
    ended_ = false;
    readError_ = 0;
    return true;
}

bool MidiPort::close()
{
    if (!isOpen())
        return true;
    const bool drained = txDrain() == 0;
    const int result = ::close(fileDescriptor_);
    const int closeError = errno;
    fileDescriptor_ = -1;
    pending_.clear();
    pendingFrom_ = 0;
    if (result < 0)
        throw TkxException("MidiPort.close", format("%s - %s", portPath_.c_str(), errorText(closeError).c_str()),
                           closeError, portPath_);
    if (!drained)
        throw TkxException("MidiPort.close", undeliveredOutputText(), 0, portPath_);
    return true;
}

long MidiPort::fill()
{
    uint8_t chunk[4096];
    const ssize_t n = ::read(fileDescriptor_, chunk, sizeof chunk);
    if (n > 0) {
        if (pendingFrom_ == pending_.size()) {
            pending_.clear();
            pendingFrom_ = 0;
        }
        for (ssize_t i = 0; i < n; ++i)
            if (!isRealTime(chunk[i]))
                pending_.push_back(chunk[i]);
    }
    return long(n);
}

int MidiPort::waitForInput(std::chrono::milliseconds timeout)
{
    if (!isOpen())
        return -1;
    const auto until = Clock::now() + timeout;
    for (;;) {
        if (pendingFrom_ < pending_.size() || ended_)
            return 1;
        const auto left =
            std::max(std::chrono::milliseconds(0), std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()));
        const int ready = inputTimeout(fileDescriptor_, left);
        if (ready <= 0)
            return ready;
        const long n = fill();
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            // Whoever reads next hears of it.
            ended_ = true;
            readError_ = n < 0 ? errno : 0;
            return 1;
        }
        if (pendingFrom_ == pending_.size() && left.count() == 0)
            return 0;
    }
}

long MidiPort::take(const char* name, uint8_t* buffer, size_t length)
{
    if (timeoutRx_.count() > 0) {
        const int ready = waitForInput(timeoutRx_);
        if (ready == 0)
            throw TkxException(name, format("timeout %s", getErrorMessage().c_str()));
        if (ready < 0)
            throw TkxException(name, format("timeout error %s", getErrorMessage().c_str()));
    }
    // Without a wait, what is there now, as a non-blocking read finds it.
    while (pendingFrom_ == pending_.size() && !ended_) {
        const long n = fill();
        if (n < 0)
            throw TkxException(name, format("read error %s", getErrorMessage().c_str()), errno, portPath_);
        if (n == 0)
            return 0;
    }
    if (pendingFrom_ == pending_.size()) {
        if (readError_ == 0)
            return 0;
        throw TkxException(name, format("read error %s", errorText(readError_).c_str()), readError_, portPath_);
    }
    const size_t n = std::min(length, pending_.size() - pendingFrom_);
    std::memcpy(buffer, pending_.data() + pendingFrom_, n);
    pendingFrom_ += n;
    return long(n);
}

long MidiPort::getByte(uint8_t* buffer)
{
    return take("MidiPort.getByte", buffer, 1);
}

long MidiPort::getData(uint8_t* buffer, size_t length)
{
    return take("MidiPort.getData", buffer, length);
}

void MidiPort::putByte(const uint8_t* buffer)
{
    if (timeoutTx_.count() > 0) {
        const int ready = outputTimeout(fileDescriptor_, timeoutTx_);
        if (ready == 0)
            throw TkxException("MidiPort.putByte", format("timeout %s", getErrorMessage().c_str()));
        if (ready < 0)
            throw TkxException("MidiPort.putByte", format("timeout error %s", getErrorMessage().c_str()));
    }
    if (::write(fileDescriptor_, buffer, 1) < 0)
        throw TkxException("MidiPort.putByte", format("write error %s", getErrorMessage().c_str()), errno, portPath_);
}

int MidiPort::txDrain()
{
    drainError_ = 0;
    if (!isOpen())
        return 0;
    if (terminal_) {
        const int result = drainSerialOutput(fileDescriptor_, defaultDrainLimit);
        drainError_ = result < 0 ? errno : 0;
        return result;
    }
    // The raw MIDI device waits until its output queue has gone out; a
    // socket standing in for it has no queue to wait for.
    int stream = SNDRV_RAWMIDI_STREAM_OUTPUT;
    if (::ioctl(fileDescriptor_, SNDRV_RAWMIDI_IOCTL_DRAIN, &stream) < 0 && errno != ENOTTY && errno != EINVAL) {
        drainError_ = errno;
        return -1;
    }
    return 0;
}

std::string MidiPort::undeliveredOutputText() const
{
    return format("%s - %s", portPath_.c_str(), errorText(drainError_).c_str());
}

int MidiPort::rxFlush()
{
    if (!isOpen())
        return 0;
    pending_.clear();
    pendingFrom_ = 0;
    if (terminal_)
        return ::tcflush(fileDescriptor_, TCIFLUSH);
    // The raw MIDI device has no call that drops input: read it away.
    uint8_t chunk[4096];
    while (::read(fileDescriptor_, chunk, sizeof chunk) > 0) {
    }
    return 0;
}

int MidiPort::flush()
{
    const int input = rxFlush();
    if (!isOpen())
        return input;
    if (terminal_)
        return ::tcflush(fileDescriptor_, TCOFLUSH) < 0 ? -1 : input;
    int stream = SNDRV_RAWMIDI_STREAM_OUTPUT;
    ::ioctl(fileDescriptor_, SNDRV_RAWMIDI_IOCTL_DROP, &stream);
    return input;
}

} // namespace tosk
