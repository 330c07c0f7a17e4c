#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tosk {

// What a connection needs to open a line: the device and the five line
// settings, as the preferences store them (absent when unset).
struct LineSettings {
    std::optional<std::string> portName;
    std::optional<std::string> baudRate;
    std::optional<std::string> dataBits;
    std::optional<std::string> parity;
    std::optional<std::string> stopBits;
    std::optional<std::string> flowControl;
    // The unit's device id on this line when the user set one; otherwise
    // it is learned from the unit.
    std::optional<uint8_t> deviceId = std::nullopt;

    // The line itself (device and the five settings), without the id: what
    // a learned id belongs to.
    std::string lineKey() const;

    // Read afresh from the shared preferences each time a line opens, so a
    // change in the preferences window counts from the next exchange on.
    static LineSettings fromPreferences();
};

using LineSettingsSource = std::function<LineSettings()>;

} // namespace tosk
