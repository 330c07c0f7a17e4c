// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/SerialPort.h"

#include "base/Log.h"
#include "base/TkxException.h"
#include "comms/SerialTerminal.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tosk {

namespace {

// ttyS2 before ttyS10: digits compare as numbers.
bool naturalLess(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
            size_t i2 = i, j2 = j;
            while (i2 < a.size() && std::isdigit(static_cast<unsigned char>(a[i2])))
                ++i2;
            while (j2 < b.size() && std::isdigit(static_cast<unsigned char>(b[j2])))
                ++j2;
            std::string na = a.substr(i, i2 - i), nb = b.substr(j, j2 - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (na != nb)
                return na < nb;
            i = i2;
            j = j2;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

// A serial-core port the hardware does not have reports type 0.
bool isPhantomPort(const fs::path& entry)
{
    std::ifstream in(entry / "type");
    int type = -1;
    return in && (in >> type) && type == 0;
}

} // namespace

SerialPort::~SerialPort()
{
    if (isOpen_) {
        try {
            close();
        } catch (const TkxException&) {
        }
    }
}

std::vector<std::string> SerialPort::portList(const std::string& sysClassTty, const std::string& devDirectory)
{
    log("SerialPort.portList: begin");
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(sysClassTty, ec);
    if (ec) {
        log("SerialPort.portList: No serial ports were found.");
    } else {
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            const fs::path& entry = it->path();
            // Only terminals backed by a device driver are serial lines; the
            // virtual consoles and pseudo-terminals have no "device".
            if (!fs::exists(entry / "device", ec) || isPhantomPort(entry))
                continue;
            names.push_back(entry.filename().string());
        }
    }
    std::sort(names.begin(), names.end(), naturalLess);
    std::vector<std::string> paths;
    for (const auto& n : names) {
        std::string path = (fs::path(devDirectory) / n).string();
        logf("SerialPort.portList: bsdPath=%s", path.c_str());
        paths.push_back(path);
    }
    log("SerialPort.portList: end");
    return paths;
}

std::vector<SerialPort::PortChoice> SerialPort::portChoices(const std::string& sysClassTty,
                                                            const std::string& devDirectory,
                                                            const std::string& byIdDirectory)
{
    std::vector<PortChoice> choices;
    for (std::string& path : portList(sysClassTty, devDirectory))
        choices.push_back({std::move(path), {}});
    std::vector<PortChoice> stable;
    std::error_code ec;
    for (fs::directory_iterator it(byIdDirectory, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(it->path(), linkError);
        // A name left behind by an adapter that is gone leads nowhere.
        if (linkError || !fs::exists(it->path(), linkError))
            continue;
        const fs::path device = target.is_absolute() ? target : (fs::path(byIdDirectory) / target).lexically_normal();
        stable.push_back({it->path().string(), device.string()});
    }
    std::sort(stable.begin(), stable.end(),
              [](const PortChoice& a, const PortChoice& b) { return naturalLess(a.path, b.path); });
    choices.insert(choices.end(), stable.begin(), stable.end());
    return choices;
}

bool SerialPort::open()
{
    if (isOpen_)
        return true;
    if (portPath_.empty())
        throw TkxException("SerialPort.open", "no portPath");
    int fd = openSerialPort(portPath_);
    if (fd < 0 && errno == EBUSY)
        throw TkxException(
            "SerialPort.open",
            format("%s - %s: another program is using this line", portPath_.c_str(), getErrorMessage().c_str()), EBUSY,
            portPath_);
    if (fd < 0)
        throw TkxException("SerialPort.open", format("%s - %s", portPath_.c_str(), getErrorMessage().c_str()), errno,
                           portPath_);
    fileDescriptor_ = fd;
    isOpen_ = true;
    return true;
}

bool SerialPort::close()
{
    if (!isOpen_)
        return true;
    // Closing drains; output the line would not take must not vanish unnoticed.
    bool drained = txDrain() >= 0;
    int result = closeSerialPort(fileDescriptor_);
    // The descriptor is gone either way; keeping it would close a stranger's later.
    isOpen_ = false;
    fileDescriptor_ = -1;
    if (result < 0)
        throw TkxException("SerialPort.close", format("%s - %s", portPath_.c_str(), getErrorMessage().c_str()), errno,
                           portPath_);
    if (!drained)
        throw TkxException("SerialPort.close", undeliveredOutputText(), 0, portPath_);
    return true;
}

std::string SerialPort::undeliveredOutputText() const
{
    if (unsentOutput_ <= 0)
        return format("%s - %s", portPath_.c_str(), std::strerror(drainError_));
    return format("%s - %d bytes waited %lld seconds for the line to take them and were not sent to the unit; "
                  "check the flow control setting and the cable",
                  portPath_.c_str(), unsentOutput_, (long long)(drainLimit_.count() / 1000));
}

void SerialPort::configure()
{
    if (!isOpen_) {
        errno = EBADF;
        throw TkxException("SerialPort.configure", format("%s - %s", portPath_.c_str(), getErrorMessage().c_str()),
                           errno, portPath_);
    }
    if (serialConfig_.setSerialIOAttributes(fileDescriptor_) < 0)
        throw TkxException("SerialPort.configure", format("%s - %s", portPath_.c_str(), getErrorMessage().c_str()),
                           errno, portPath_);
}

void SerialPort::configure(const SerialConfig& config)
{
    serialConfig_ = config;
    configure();
}

void SerialPort::reset()
{
    if (!isOpen_)
        return;
    if (close() && open())
        configure();
}

int SerialPort::txDrain()
{
    int result = drainSerialOutput(fileDescriptor_, drainLimit_, &unsentOutput_);
    drainError_ = result < 0 ? errno : 0;
    return result;
}
int SerialPort::txFlush()
{
    return ::tcflush(fileDescriptor_, TCOFLUSH);
}
int SerialPort::rxFlush()
{
    return ::tcflush(fileDescriptor_, TCIFLUSH);
}
int SerialPort::flush()
{
    return ::tcflush(fileDescriptor_, TCIOFLUSH);
}

bool SerialPort::hasData()
{
    return inputTimeout(fileDescriptor_, timeoutRx_) == 1;
}

int SerialPort::waitForInput(std::chrono::milliseconds timeout)
{
    return inputTimeout(fileDescriptor_, timeout);
}

void SerialPort::waitReady(const char* name, bool input, std::chrono::milliseconds timeout)
{
    if (timeout.count() <= 0)
        return;
    int r = input ? inputTimeout(fileDescriptor_, timeout) : outputTimeout(fileDescriptor_, timeout);
    if (r == 0)
        throw TkxException(name, format("timeout %s", getErrorMessage().c_str()));
    if (r < 0)
        throw TkxException(name, format("timeout error %s", getErrorMessage().c_str()), errno, portPath_);
}

long SerialPort::read(const char* name, uint8_t* buffer, size_t length)
{
    waitReady(name, true, timeoutRx_);
    ssize_t n = ::read(fileDescriptor_, buffer, length);
    if (n < 0)
        throw TkxException(name, format("read error %s", getErrorMessage().c_str()), errno, portPath_);
    return long(n);
}

long SerialPort::getByte(uint8_t* buffer)
{
    return read("SerialPort.getByte", buffer, 1);
}

long SerialPort::getData(uint8_t* buffer, size_t length)
{
    return read("SerialPort.getData", buffer, length);
}

long SerialPort::getData(uint8_t* buffer, size_t offset, size_t length)
{
    return read("SerialPort.getData", buffer + offset, length);
}

void SerialPort::putByte(const uint8_t* buffer)
{
    waitReady("SerialPort.putByte", false, timeoutTx_);
    if (::write(fileDescriptor_, buffer, 1) < 0)
        throw TkxException("SerialPort.putByte", format("write error %s", getErrorMessage().c_str()), errno, portPath_);
}

void SerialPort::putData(const uint8_t* buffer, size_t length)
{
    // The descriptor is non-blocking, so a full output queue takes only part
    // of the run: write the rest as the line accepts it rather than lose it.
    size_t done = 0;
    while (done < length) {
        ssize_t n = ::write(fileDescriptor_, buffer + done, length - done);
        if (n < 0 && errno == EAGAIN) {
            auto wait = std::max(timeoutTx_, std::chrono::milliseconds(1000));
            if (outputTimeout(fileDescriptor_, wait) == 1)
                continue;
            errno = EAGAIN;
        }
        if (n < 0)
            throw TkxException("SerialPort.putData", format("write error %s", getErrorMessage().c_str()), errno,
                               portPath_);
        done += size_t(n);
    }
}

void SerialPort::putData(const uint8_t* buffer, size_t offset, size_t length)
{
    putData(buffer + offset, length);
}

void SerialPort::putString(const std::string& text)
{
    putData(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

} // namespace tosk
