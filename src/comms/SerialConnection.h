// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/LineSettings.h"
#include "comms/MidiPort.h"
#include "comms/SerialLineLock.h"
#include "comms/SerialPort.h"
#include "comms/UnitTraffic.h"

#include <chrono>
#include <functional>
#include <memory>

namespace tosk {

// The line to the unit, opened with the user's settings: a serial port, or
// a MIDI interface when the settings say so; its users cannot tell which.
// Failures of the port are thrown again under this class's names
// ("SerialConnection.getByte").
//
// From open to close the connection holds its device's SerialLineLock, so no
// other exchange of this program talks on the line meanwhile; every frame
// that goes out or comes in is recorded in UnitTraffic::shared().
class SerialConnection {
public:
    static constexpr std::chrono::milliseconds defaultTimeout{4000};

    explicit SerialConnection(LineSettingsSource settings = LineSettings::fromPreferences,
                              std::chrono::milliseconds timeout = defaultTimeout,
                              std::chrono::milliseconds lineWait = SerialLineLock::defaultWait);
    ~SerialConnection();
    SerialConnection(const SerialConnection&) = delete;
    SerialConnection& operator=(const SerialConnection&) = delete;

    static SerialConnection& sharedSerialConnection();

    // Opens with the settings source's settings, read on the calling thread.
    // Waits at most the line wait for another exchange to let go of the line.
    bool open();
    bool open(const LineSettings& settings);
    // The settings the next open() would use.
    LineSettings lineSettings() const { return settings_ ? settings_() : LineSettings{}; }
    // Unread input is discarded, output drained; output the line did not
    // take in time fails the close ("SerialPort.close") after the line is shut.
    bool close();
    // Discards input and unsent output, then closes: for an exchange given up.
    void abandon();
    bool isOpen() const { return line_->isOpen(); }
    bool hasData() const { return line_->isOpen() && line_->hasData(); }
    // Waits at most `timeout` for input: 1 ready, 0 none, -1 error or closed.
    int waitForInput(std::chrono::milliseconds timeout) const;

    long getByte(uint8_t* buffer);
    long getData(uint8_t* buffer, size_t length);
    void putByte(const uint8_t* buffer);
    // Byte by byte, each waiting for the line to accept it. `progress`, when
    // given, hears the count written so far every `progressStep` bytes and
    // at the end; it may throw to stop the write (the frame is then recorded
    // as far as it went).
    void putData(const uint8_t* buffer, size_t length, const std::function<void(size_t)>& progress = {});
    static constexpr size_t progressStep = 64;
    // Waits for the output to leave; output the line would not take within
    // the port's drain limit fails with "SerialConnection.drain".
    void drain();
    int flush();
    // Discards unread input only: output already written must still go out.
    int flushInput();

    // Told how long this connection has waited for the line, while it waits.
    void setLineWaitObserver(SerialLineLock::WaitObserver observer) { lineWaitObserver_ = std::move(observer); }

    // The status byte of a program change on the open line: 0xC0 on the
    // serial line, the channel's over MIDI.
    uint8_t programChangeStatus() const { return line_->programChangeStatus(); }

    SerialPort& serialPort() { return *serialPort_; }
    // The port the line goes through while it is open.
    LinePort& linePort() { return *line_; }
    std::chrono::milliseconds timeout() const { return timeout_; }

private:
    bool openMidi(const LineSettings& settings);
    void recordSent(const uint8_t* buffer, size_t stored, size_t length, bool complete);

    std::unique_ptr<SerialPort> serialPort_;
    std::unique_ptr<MidiPort> midiPort_;
    LinePort* line_;
    LineSettingsSource settings_;
    std::chrono::milliseconds timeout_;
    std::chrono::milliseconds lineWait_;
    SerialLineLock::WaitObserver lineWaitObserver_;
    std::unique_ptr<SerialLineLock> lineLock_;
    TrafficFrameCutter received_;
};

} // namespace tosk
