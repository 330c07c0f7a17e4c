// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/LineSettings.h"

#include "base/PreferenceController.h"

namespace tosk {

LineSettings LineSettings::fromPreferences()
{
    const auto& prefs = PreferenceController::shared();
    LineSettings s;
    s.portName = prefs.portNameDefault();
    s.baudRate = prefs.baudRateDefault();
    s.dataBits = prefs.dataBitsDefault();
    s.parity = prefs.parityDefault();
    s.stopBits = prefs.stopBitsDefault();
    s.flowControl = prefs.flowControlDefault();
    s.midi = prefs.connectWithMidi();
    s.midiPortName = prefs.midiPortName();
    s.midiChannel = prefs.midiChannel();
    if (auto id = prefs.deviceId())
        s.deviceId = uint8_t(*id);
    return s;
}

std::string LineSettings::lineKey() const
{
    // The channel is left out: program changes only are sent on it.
    if (midi)
        return "midi\n" + midiPortName.value_or("") + '\n';
    std::string key;
    for (const auto* part : {&portName, &baudRate, &dataBits, &parity, &stopBits, &flowControl}) {
        key += part->value_or("");
        key += '\n';
    }
    return key;
}

} // namespace tosk
