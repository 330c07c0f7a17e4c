// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/SerialConfig.h"

#include "base/Log.h"
#include "comms/SerialTerminal.h"

#include <algorithm>
#include <termios.h>

namespace tosk {

namespace {

struct Row {
    const char* text;
    uint32_t value;
};

const Row bitRates[] = {{"2400", 2400},   {"4800", 4800},   {"9600", 9600},     {"19200", 19200},  {"38400", 38400},
                        {"57600", 57600}, {"76800", 76800}, {"115200", 115200}, {"153600", 153600}};
const Row dataBitRows[] = {{"5", CS5}, {"6", CS6}, {"7", CS7}, {"8", CS8}};
const char* const parities[] = {"None", "Odd", "Even"};
const char* const stopBitTexts[] = {"1", "2"};
const char* const flowControls[] = {"None", "Soft", "Hard"};

constexpr uint32_t softFlow = IXON | IXOFF | IXANY;
constexpr uint8_t xon = 0x11;  // DC1
constexpr uint8_t xoff = 0x13; // DC3
static_assert(VSTART < 20 && VSTOP < 20, "the attribute record holds 20 control characters");

template <typename T, size_t N> std::vector<std::string> texts(const T (&rows)[N])
{
    std::vector<std::string> out;
    for (const auto& r : rows) {
        if constexpr (std::is_same_v<T, Row>)
            out.emplace_back(r.text);
        else
            out.emplace_back(r);
    }
    return out;
}

template <size_t N> int indexOf(const char* const (&rows)[N], const std::string& text)
{
    for (size_t i = 0; i < N; ++i)
        if (text == rows[i])
            return int(i);
    return -1;
}

speed_t speedConstant(int32_t speed)
{
    switch (speed) {
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return B0;
    }
}

int32_t speedValue(speed_t constant)
{
    switch (constant) {
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    default:
        return 0;
    }
}

} // namespace

const std::vector<std::string>& SerialConfig::bitRateList()
{
    static const auto list = texts(bitRates);
    return list;
}
const std::vector<std::string>& SerialConfig::parityList()
{
    static const auto list = texts(parities);
    return list;
}
const std::vector<std::string>& SerialConfig::dataBitList()
{
    static const auto list = texts(dataBitRows);
    return list;
}
const std::vector<std::string>& SerialConfig::stopBitList()
{
    static const auto list = texts(stopBitTexts);
    return list;
}
const std::vector<std::string>& SerialConfig::flowControlList()
{
    static const auto list = texts(flowControls);
    return list;
}

void SerialConfig::setBitRate(const std::string& text)
{
    for (const Row& r : bitRates) {
        if (text == r.text) {
            bitRateString_ = text;
            currentTTYAttrs_.inputSpeed = currentTTYAttrs_.outputSpeed = int32_t(r.value);
            return;
        }
    }
    logf("SerialConfig.setBitRateAsString: Unsupported bit rate %s, defaulting to 2400", text.c_str());
    currentTTYAttrs_.inputSpeed = currentTTYAttrs_.outputSpeed = 2400;
}

void SerialConfig::setDataBits(const std::string& text)
{
    uint32_t size = CS8;
    auto it =
        std::find_if(std::begin(dataBitRows), std::end(dataBitRows), [&](const Row& r) { return text == r.text; });
    if (it != std::end(dataBitRows)) {
        dataBitString_ = text;
        size = it->value;
    } else {
        logf("SerialConfig.setDataBits: Unsupported data bit setting %s, defaulting to 8", text.c_str());
    }
    currentTTYAttrs_.controlModes = (currentTTYAttrs_.controlModes & ~uint32_t(CSIZE)) | size;
}

void SerialConfig::setParity(const std::string& text)
{
    int row = indexOf(parities, text);
    if (row < 0)
        logf("SerialConfig.setParity: Unsupported parity setting %s, defaulting to None", text.c_str());
    else
        parityString_ = text;
    uint32_t& c = currentTTYAttrs_.controlModes;
    switch (row) {
    case 1:
        c |= PARENB | PARODD;
        break;
    case 2:
        c = (c | PARENB) & ~uint32_t(PARODD);
        break;
    default:
        c &= ~uint32_t(PARENB);
        break; // PARODD is left as it was
    }
}

void SerialConfig::setStopBits(const std::string& text)
{
    int row = indexOf(stopBitTexts, text);
    if (row < 0)
        logf("SerialConfig.setStopBits: Unsupported stop bit setting %s, defaulting to 1", text.c_str());
    else
        stopBitString_ = text;
    if (row == 1)
        currentTTYAttrs_.controlModes |= CSTOPB;
    else
        currentTTYAttrs_.controlModes &= ~uint32_t(CSTOPB);
}

void SerialConfig::setFlowControl(const std::string& text)
{
    int row = indexOf(flowControls, text);
    if (row < 0)
        logf("SerialConfig.setFlowControl: Unsupported flow control setting %s, defaulting to None", text.c_str());
    else
        flowControlString_ = text;
    uint32_t& in = currentTTYAttrs_.inputModes;
    uint32_t& c = currentTTYAttrs_.controlModes;
    switch (row) {
    case 1:
        in |= softFlow;
        c &= ~uint32_t(CRTSCTS);
        // The record starts all zero: without these the terminal would wait
        // for NUL bytes as XON and XOFF, and the unit's DC1 and DC3 would
        // land in the replies instead of pausing our output.
        currentTTYAttrs_.controlChars[VSTART] = xon;
        currentTTYAttrs_.controlChars[VSTOP] = xoff;
        break;
    case 2:
        in &= ~softFlow;
        c |= CRTSCTS;
        break;
    default:
        in &= ~softFlow;
        c &= ~uint32_t(CRTSCTS);
        break;
    }
}

std::optional<std::string> SerialConfig::bitRate() const
{
    for (const Row& r : bitRates)
        if (currentTTYAttrs_.inputSpeed == int32_t(r.value))
            return std::string(r.text);
    return std::nullopt;
}

std::string SerialConfig::dataBits() const
{
    uint32_t size = currentTTYAttrs_.controlModes & CSIZE;
    for (const Row& r : dataBitRows)
        if (size == r.value)
            return r.text;
    return "8";
}

std::string SerialConfig::parity() const
{
    uint32_t c = currentTTYAttrs_.controlModes;
    if (!(c & PARENB))
        return "None";
    return (c & PARODD) ? "Odd" : "Even";
}

std::string SerialConfig::stopBits() const
{
    return (currentTTYAttrs_.controlModes & CSTOPB) ? "2" : "1";
}

std::string SerialConfig::flowControl() const
{
    uint32_t soft = currentTTYAttrs_.inputModes & softFlow;
    bool hard = currentTTYAttrs_.controlModes & CRTSCTS;
    if (soft == softFlow && !hard)
        return "Soft";
    if (soft == 0 && hard)
        return "Hard";
    return "None";
}

int SerialConfig::setSerialIOAttributes(int fd) const
{
    termios t{};
    t.c_iflag = currentTTYAttrs_.inputModes;
    t.c_oflag = currentTTYAttrs_.outputModes;
    // The receiver must be on, and a line without modem-control wiring must
    // not hold up the port.
    t.c_cflag = currentTTYAttrs_.controlModes | CREAD | CLOCAL;
    t.c_lflag = currentTTYAttrs_.localModes;
    for (size_t i = 0; i < currentTTYAttrs_.controlChars.size() && i < NCCS; ++i)
        t.c_cc[i] = currentTTYAttrs_.controlChars[i];
    // Without VMIN a read on a silent non-blocking line answers 0 bytes, which
    // looks like a line that has gone; with it, the read reports "try again".
    if (t.c_cc[VMIN] == 0 && t.c_cc[VTIME] == 0)
        t.c_cc[VMIN] = 1;
    speed_t in = speedConstant(currentTTYAttrs_.inputSpeed);
    speed_t out = speedConstant(currentTTYAttrs_.outputSpeed);
    bool classic = in != B0 && out != B0;
    ::cfsetispeed(&t, classic ? in : B38400);
    ::cfsetospeed(&t, classic ? out : B38400);
    int result = ::tcsetattr(fd, TCSANOW, &t);
    if (result < 0 || classic)
        return result;
    return setArbitrarySpeed(fd, currentTTYAttrs_.inputSpeed, currentTTYAttrs_.outputSpeed);
}

int SerialConfig::getSerialIOAttributes(int fd)
{
    termios t{};
    int result = ::tcgetattr(fd, &t);
    if (result < 0)
        return result;
    currentTTYAttrs_.inputModes = t.c_iflag;
    currentTTYAttrs_.outputModes = t.c_oflag;
    currentTTYAttrs_.controlModes = t.c_cflag;
    currentTTYAttrs_.localModes = t.c_lflag;
    for (size_t i = 0; i < currentTTYAttrs_.controlChars.size() && i < NCCS; ++i)
        currentTTYAttrs_.controlChars[i] = t.c_cc[i];
    int in = speedValue(::cfgetispeed(&t)), out = speedValue(::cfgetospeed(&t));
    if (in == 0 || out == 0)
        getArbitrarySpeed(fd, in, out);
    currentTTYAttrs_.inputSpeed = in;
    currentTTYAttrs_.outputSpeed = out;
    return 0;
}

std::string SerialConfig::settingsString() const
{
    return format("BitRate=%s Parity=%s DataBits=%s StopBits=%s FlowControl=%s", bitRateString_.c_str(),
                  parityString_.c_str(), dataBitString_.c_str(), stopBitString_.c_str(), flowControlString_.c_str());
}

} // namespace tosk
