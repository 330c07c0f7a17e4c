// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/SerialConnection.h"

#include "base/Log.h"
#include "base/TkxException.h"
#include "comms/MidiPortList.h"
#include "comms/SerialTerminal.h"

#include <termios.h>

namespace tosk {

SerialConnection::SerialConnection(LineSettingsSource settings, std::chrono::milliseconds timeout,
                                   std::chrono::milliseconds lineWait)
    : serialPort_(std::make_unique<SerialPort>()), midiPort_(std::make_unique<MidiPort>()), line_(serialPort_.get()),
      settings_(std::move(settings)), timeout_(timeout), lineWait_(lineWait),
      received_(UnitTraffic::shared(), TrafficEntry::Direction::Received)
{
}

SerialConnection::~SerialConnection()
{
    try {
        close();
    } catch (const TkxException&) {
    }
}

SerialConnection& SerialConnection::sharedSerialConnection()
{
    static SerialConnection shared;
    return shared;
}

bool SerialConnection::open()
{
    return open(lineSettings());
}

bool SerialConnection::open(const LineSettings& s)
{
    if (!serialPort_)
        return false;
    if (line_->isOpen())
        throw TkxException("SerialConnection.open", getErrorMessage());
    if (s.midi)
        return openMidi(s);
    line_ = serialPort_.get();
    std::string path = s.portName.value_or("");
    // Without a path the port refuses at once; there is no line to wait for.
    if (!path.empty())
        lineLock_ = std::make_unique<SerialLineLock>(path, lineWait_, lineWaitObserver_);
    try {
        serialPort_->setPortPath(path);
        serialPort_->open();
        serialPort_->setTimeoutTx(timeout_);
        serialPort_->setTimeoutRx(timeout_);
        serialPort_->setBitRate(s.baudRate.value_or(""));
        serialPort_->setDataBits(s.dataBits.value_or(""));
        serialPort_->setParity(s.parity.value_or(""));
        serialPort_->setStopBits(s.stopBits.value_or(""));
        serialPort_->setFlowControl(s.flowControl.value_or(""));
        serialPort_->configure();
    } catch (...) {
        try {
            serialPort_->close();
        } catch (const TkxException&) {
        }
        lineLock_.reset();
        throw;
    }
    received_.setPort(path);
    return true;
}

bool SerialConnection::openMidi(const LineSettings& s)
{
    line_ = midiPort_.get();
    // No interface, or not the one chosen: said now, before anything waits.
    const MidiPortList::Choice port = MidiPortList::find(s.midiPortName.value_or(""));
    const std::string& path = port.node;
    lineLock_ = std::make_unique<SerialLineLock>(path, lineWait_, lineWaitObserver_);
    try {
        midiPort_->setPortPath(path);
        midiPort_->setSubdevice(port.card, port.subdevice);
        midiPort_->open();
        midiPort_->setTimeoutTx(timeout_);
        midiPort_->setTimeoutRx(timeout_);
        midiPort_->setChannel(s.midiChannel);
    } catch (...) {
        lineLock_.reset();
        throw;
    }
    received_.setPort(path);
    return true;
}

bool SerialConnection::close()
{
    if (!serialPort_ || !line_->isOpen()) {
        lineLock_.reset();
        return true;
    }
    received_.finish();
    // Unread input goes; written output must still reach the unit (a program
    // change is often the last thing said), so closing drains it instead.
    flushInput();
    try {
        if (!line_->close())
            throw TkxException("SerialConnection.close", getErrorMessage());
    } catch (...) {
        lineLock_.reset();
        throw;
    }
    lineLock_.reset();
    return true;
}

void SerialConnection::abandon()
{
    if (isOpen())
        line_->flush();
    try {
        close();
    } catch (const TkxException& e) {
        logf("SerialConnection.abandon: %s - %s", e.name().c_str(), e.reason().c_str());
    }
}

int SerialConnection::waitForInput(std::chrono::milliseconds timeout) const
{
    if (!isOpen())
        return -1;
    return line_->waitForInput(timeout);
}

long SerialConnection::getByte(uint8_t* buffer)
{
    if (!isOpen())
        return 0;
    try {
        long n = line_->getByte(buffer);
        if (n > 0)
            received_.add(buffer, size_t(n));
        return n;
    } catch (const TkxException& e) {
        logf("SerialConnection.getByte exception: %s - %s", e.name().c_str(), e.reason().c_str());
        throw e.renamed("SerialConnection.getByte");
    }
}

long SerialConnection::getData(uint8_t* buffer, size_t length)
{
    if (!isOpen())
        return 0;
    try {
        long n = line_->getData(buffer, length);
        if (n > 0)
            received_.add(buffer, size_t(n));
        return n;
    } catch (const TkxException& e) {
        throw e.renamed("SerialConnection.getData");
    }
}

void SerialConnection::recordSent(const uint8_t* buffer, size_t stored, size_t length, bool complete)
{
    // Whatever was coming in is over once we speak: keep the record in order.
    received_.finish();
    UnitTraffic::shared().record(TrafficEntry::Direction::Sent, line_->portPath(), buffer, stored, length, complete);
}

void SerialConnection::putByte(const uint8_t* buffer)
{
    if (!isOpen())
        return;
    try {
        line_->putByte(buffer);
    } catch (const TkxException& e) {
        throw e.renamed("SerialConnection.putByte");
    }
    recordSent(buffer, 1, 1, true);
}

void SerialConnection::putData(const uint8_t* buffer, size_t length, const std::function<void(size_t)>& progress)
{
    if (!isOpen())
        return;
    size_t sent = 0;
    auto record = [&](bool whole) {
        bool framed = whole && length > 0 &&
                      (buffer[length - 1] == sysex::END || (sysex::isProgramChange(buffer[0]) && length == 2));
        if (sent > 0)
            recordSent(buffer, sent, sent, framed);
    };
    try {
        for (; sent < length; ++sent) {
            if (progress && sent > 0 && sent % progressStep == 0)
                progress(sent);
            line_->putByte(buffer + sent);
        }
        if (progress)
            progress(sent);
    } catch (const TkxException& e) {
        record(false);
        if (e.name().rfind("SerialPort.", 0) == 0 || e.name().rfind("MidiPort.", 0) == 0)
            throw e.renamed("SerialConnection.putData");
        throw;
    } catch (...) {
        record(false);
        throw;
    }
    record(true);
}

void SerialConnection::drain()
{
    if (isOpen() && line_->txDrain() < 0)
        throw TkxException("SerialConnection.drain", line_->undeliveredOutputText());
}

int SerialConnection::flush()
{
    return isOpen() ? line_->flush() : 0;
}

int SerialConnection::flushInput()
{
    return isOpen() ? line_->rxFlush() : 0;
}

} // namespace tosk
