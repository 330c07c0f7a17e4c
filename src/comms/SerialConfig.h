// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tosk {

// The terminal attributes that setSerialIOAttributes applies, with the line
// speeds as plain bits per second.
struct TTYAttributes {
    uint32_t inputModes = 0;
    uint32_t outputModes = 0;
    uint32_t controlModes = 0;
    uint32_t localModes = 0;
    std::array<uint8_t, 20> controlChars{};
    int32_t inputSpeed = 0;
    int32_t outputSpeed = 0;
};

// Line settings of a serial port, kept both as the texts the user chose and as
// the attribute record that goes to the device.
class SerialConfig {
public:
    static const std::vector<std::string>& bitRateList();
    static const std::vector<std::string>& parityList();
    static const std::vector<std::string>& dataBitList();
    static const std::vector<std::string>& stopBitList();
    static const std::vector<std::string>& flowControlList();

    // An unknown text is logged, the setting's default is applied and the
    // stored text stays as it was.
    void setBitRate(const std::string& text);
    void setDataBits(const std::string& text);
    void setParity(const std::string& text);
    void setStopBits(const std::string& text);
    void setFlowControl(const std::string& text);

    // Read back from the attribute record, not from the stored texts.
    std::optional<std::string> bitRate() const;
    std::string dataBits() const;
    std::string parity() const;
    std::string stopBits() const;
    std::string flowControl() const;

    // Applies the record to the device at once; negative on failure.
    int setSerialIOAttributes(int fileDescriptor) const;
    // Reads the device's attributes into the record; negative on failure.
    int getSerialIOAttributes(int fileDescriptor);

    std::string settingsString() const;

    const TTYAttributes& currentTTYAttrs() const { return currentTTYAttrs_; }
    const std::string& bitRateString() const { return bitRateString_; }
    const std::string& parityString() const { return parityString_; }
    const std::string& dataBitString() const { return dataBitString_; }
    const std::string& stopBitString() const { return stopBitString_; }
    const std::string& flowControlString() const { return flowControlString_; }

private:
    TTYAttributes currentTTYAttrs_;
    std::string bitRateString_;
    std::string parityString_;
    std::string dataBitString_;
    std::string stopBitString_;
    std::string flowControlString_;
};

} // namespace tosk
