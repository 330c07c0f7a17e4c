// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tosk {

// What a connection needs to open a line: the serial device and its five
// line settings, or the MIDI interface and channel, as the preferences store
// them (absent when unset).
struct LineSettings {
    // Through a MIDI interface rather than the serial line.
    bool midi = false;
    // The interface as MidiPortList names it, or a device path.
    std::optional<std::string> midiPortName = std::nullopt;
    // 1 to 16; anything else is channel 1.
    int midiChannel = 0;
    std::optional<std::string> portName;
    std::optional<std::string> baudRate;
    std::optional<std::string> dataBits;
    std::optional<std::string> parity;
    std::optional<std::string> stopBits;
    std::optional<std::string> flowControl;
    // The unit's device id on this line when the user set one; otherwise
    // it is learned from the unit.
    std::optional<uint8_t> deviceId = std::nullopt;

    // The serial device or the MIDI interface, as the user named it.
    std::string deviceName() const { return (midi ? midiPortName : portName).value_or(""); }

    // The line itself (the device and its settings), without the id: what
    // a learned id belongs to.
    std::string lineKey() const;

    // Read afresh from the shared preferences each time a line opens, so a
    // change in the preferences window counts from the next exchange on.
    static LineSettings fromPreferences();
};

using LineSettingsSource = std::function<LineSettings()>;

} // namespace tosk
