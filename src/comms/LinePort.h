// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tosk {

// One device a unit is reached through, as a byte stream: a serial port or a
// MIDI interface. SerialConnection opens one or the other from the line
// settings; nothing above it knows which. Failures are thrown as
// TkxException named after the port's class and operation.
class LinePort {
public:
    virtual ~LinePort() = default;

    virtual bool open() = 0;
    virtual bool close() = 0;
    virtual bool isOpen() const = 0;
    virtual const std::string& portPath() const = 0;
    virtual void setPortPath(const std::string& path) = 0;
    virtual int fileDescriptor() const = 0;

    virtual void setTimeoutRx(std::chrono::milliseconds timeout) = 0;
    virtual void setTimeoutTx(std::chrono::milliseconds timeout) = 0;

    // Waits at most `timeout` for input the unit sent: 1 ready, 0 none,
    // -1 error.
    virtual int waitForInput(std::chrono::milliseconds timeout) = 0;
    virtual bool hasData() = 0;
    virtual long getByte(uint8_t* buffer) = 0;
    virtual long getData(uint8_t* buffer, size_t length) = 0;
    virtual void putByte(const uint8_t* buffer) = 0;

    // Answer the system call's result; they never throw.
    virtual int txDrain() = 0;
    virtual std::string undeliveredOutputText() const = 0;
    virtual int rxFlush() = 0;
    virtual int flush() = 0;

    // The status byte that opens a program change on this line.
    virtual uint8_t programChangeStatus() const { return 0xC0; }
};

} // namespace tosk
