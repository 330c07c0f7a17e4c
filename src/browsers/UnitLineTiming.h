// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/SerialConnection.h"

#include <chrono>

namespace tosk {

// How long a unit window's connection waits for the unit's next byte and
// pauses after selecting a bank. The application uses the defaults; tests
// shorten the pause.
struct UnitLineTiming {
    std::chrono::milliseconds receiveTimeout = SerialConnection::defaultTimeout;
    std::chrono::milliseconds bankPause = std::chrono::seconds(1);
};

} // namespace tosk
