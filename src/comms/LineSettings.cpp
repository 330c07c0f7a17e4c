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
    return s;
}

} // namespace tosk
