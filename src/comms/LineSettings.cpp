#include "comms/LineSettings.h"

#if __has_include("base/PreferenceController.h")
#include "base/PreferenceController.h"
#define TOSK_HAVE_PREFERENCES 1
#endif

namespace tosk {

LineSettings LineSettings::fromPreferences()
{
    LineSettings s;
#ifdef TOSK_HAVE_PREFERENCES
    auto& prefs = PreferenceController::shared();
    s.portName = prefs.portNameDefault();
    s.baudRate = prefs.baudRateDefault();
    s.dataBits = prefs.dataBitsDefault();
    s.parity = prefs.parityDefault();
    s.stopBits = prefs.stopBitsDefault();
    s.flowControl = prefs.flowControlDefault();
#endif
    return s;
}

} // namespace tosk
