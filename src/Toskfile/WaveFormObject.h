// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/WaveObject.h"

namespace tosk {

// The table of a WAVEFORM module: always 32 points ("point~n"), whatever its
// count field says.
class WaveFormObject : public WaveObject {
public:
    static constexpr int kNumberOfPoints = 32;

    explicit WaveFormObject(Module::Ptr module);
};

} // namespace tosk
