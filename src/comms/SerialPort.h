// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/LinePort.h"
#include "comms/SerialConfig.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tosk {

// One serial device: its path, descriptor and line settings. Every failure is
// thrown as a TkxException named after the operation ("SerialPort.open").
class SerialPort : public LinePort {
public:
    SerialPort() = default;
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // The RS-232 devices the kernel lists under `sysClassTty`, serial drivers
    // and USB adapters alike, as /dev paths in a stable order. Empty is normal.
    static std::vector<std::string> portList(const std::string& sysClassTty = "/sys/class/tty",
                                             const std::string& devDirectory = "/dev");
    // A name a person may choose for the line: a device path, or a name that
    // stays the same when the adapter is plugged in again (a link under
    // /dev/serial/by-id) with the device it leads to now.
    struct PortChoice {
        std::string path;
        // For a stable name, the device it leads to; "" for a device.
        std::string device;
        bool operator==(const PortChoice&) const = default;
    };
    // The devices of portList, then the stable names found in
    // `byIdDirectory` that lead to a device, sorted by name. Read afresh on
    // every call: adapters come and go.
    static std::vector<PortChoice> portChoices(const std::string& sysClassTty = "/sys/class/tty",
                                               const std::string& devDirectory = "/dev",
                                               const std::string& byIdDirectory = "/dev/serial/by-id");

    bool open() override;
    // Drains output first; output the line did not take within the drain
    // limit is reported by throwing "SerialPort.close" once the port is closed.
    bool close() override;
    bool isOpen() const override { return isOpen_; }
    void configure();
    void configure(const SerialConfig& config);
    void reset();

    SerialConfig& serialConfig() { return serialConfig_; }
    const SerialConfig& serialConfig() const { return serialConfig_; }
    void setSerialConfig(const SerialConfig& config) { serialConfig_ = config; }
    const std::string& portPath() const override { return portPath_; }
    void setPortPath(const std::string& path) override { portPath_ = path; }
    int fileDescriptor() const override { return fileDescriptor_; }

    // Readiness waits in whole seconds, as the settings know them; the
    // millisecond forms let tests shorten a silence.
    int timeoutRx() const { return int(timeoutRx_.count() / 1000); }
    int timeoutTx() const { return int(timeoutTx_.count() / 1000); }
    void setTimeoutRx(int seconds) { timeoutRx_ = std::chrono::seconds(seconds); }
    void setTimeoutTx(int seconds) { timeoutTx_ = std::chrono::seconds(seconds); }
    std::chrono::milliseconds timeoutRxMillis() const { return timeoutRx_; }
    std::chrono::milliseconds timeoutTxMillis() const { return timeoutTx_; }
    void setTimeoutRx(std::chrono::milliseconds t) override { timeoutRx_ = t; }
    void setTimeoutTx(std::chrono::milliseconds t) override { timeoutTx_ = t; }

    bool isSupported(const std::string&) const { return true; }

    void setBitRate(const std::string& text) { serialConfig_.setBitRate(text); }
    void setDataBits(const std::string& text) { serialConfig_.setDataBits(text); }
    void setParity(const std::string& text) { serialConfig_.setParity(text); }
    void setStopBits(const std::string& text) { serialConfig_.setStopBits(text); }
    void setFlowControl(const std::string& text) { serialConfig_.setFlowControl(text); }
    std::optional<std::string> bitRate() const { return serialConfig_.bitRate(); }
    std::string dataBits() const { return serialConfig_.dataBits(); }
    std::string parity() const { return serialConfig_.parity(); }
    std::string stopBits() const { return serialConfig_.stopBits(); }
    std::string flowControl() const { return serialConfig_.flowControl(); }

    // Answer the terminal call's result; they never throw. A drain that
    // runs out of time discards what is left: unsentOutput() then tells how
    // much, and undeliveredOutputText() says so for the user.
    int txDrain() override;
    int unsentOutput() const { return unsentOutput_; }
    std::string undeliveredOutputText() const override;
    static constexpr std::chrono::milliseconds defaultDrainLimit{2000};
    int txFlush();
    int rxFlush() override;
    int flush() override;

    bool hasData() override;
    int waitForInput(std::chrono::milliseconds timeout) override;

    long getByte(uint8_t* buffer) override;
    long getData(uint8_t* buffer, size_t length) override;
    long getData(uint8_t* buffer, size_t offset, size_t length);
    void putByte(const uint8_t* buffer) override;
    void putData(const uint8_t* buffer, size_t length);
    void putData(const uint8_t* buffer, size_t offset, size_t length);
    void putString(const std::string& text);

private:
    long read(const char* name, uint8_t* buffer, size_t length);
    void waitReady(const char* name, bool input, std::chrono::milliseconds timeout);

    SerialConfig serialConfig_;
    std::string portPath_ = "dummy/port";
    int fileDescriptor_ = -1;
    bool isOpen_ = false;
    std::chrono::milliseconds timeoutRx_{0};
    std::chrono::milliseconds timeoutTx_{0};
    std::chrono::milliseconds drainLimit_ = defaultDrainLimit;
    int unsentOutput_ = 0;
    int drainError_ = 0;
};

} // namespace tosk
