#pragma once

#include "comms/LineSettings.h"
#include "comms/SerialPort.h"

#include <chrono>
#include <memory>

namespace tosk {

// A serial port opened with the user's line settings. Failures of the port
// are thrown again under this class's names ("SerialConnection.getByte").
class SerialConnection {
public:
    static constexpr std::chrono::milliseconds defaultTimeout{4000};

    explicit SerialConnection(LineSettingsSource settings = LineSettings::fromPreferences,
                              std::chrono::milliseconds timeout = defaultTimeout);
    ~SerialConnection();
    SerialConnection(const SerialConnection&) = delete;
    SerialConnection& operator=(const SerialConnection&) = delete;

    static SerialConnection& sharedSerialConnection();

    // Opens with the settings source's settings, read on the calling thread.
    bool open();
    bool open(const LineSettings& settings);
    // The settings the next open() would use.
    LineSettings lineSettings() const { return settings_ ? settings_() : LineSettings{}; }
    bool close();
    bool isOpen() const { return serialPort_->isOpen(); }
    bool hasData() const { return serialPort_->isOpen() && serialPort_->hasData(); }

    long getByte(uint8_t* buffer);
    long getData(uint8_t* buffer, size_t length);
    void putByte(const uint8_t* buffer);
    // Byte by byte, each waiting for the line to accept it.
    void putData(const uint8_t* buffer, size_t length);
    int drain();
    int flush();
    // Discards unread input only: output already written must still go out.
    int flushInput();

    SerialPort& serialPort() { return *serialPort_; }
    std::chrono::milliseconds timeout() const { return timeout_; }

private:
    std::unique_ptr<SerialPort> serialPort_;
    LineSettingsSource settings_;
    std::chrono::milliseconds timeout_;
};

} // namespace tosk
