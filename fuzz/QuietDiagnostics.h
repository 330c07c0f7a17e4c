// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Log.h"

// Bad input makes the parsers log; fuzzing wants none of those lines.
inline void quietDiagnostics()
{
    static const bool done = [] {
        tosk::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)done;
}
