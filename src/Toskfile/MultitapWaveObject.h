// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/WaveObject.h"

namespace tosk {

// The delays of a MULTITAP or MULTITAP2 module as a table: one point per tap,
// counted by "taps".
class MultitapWaveObject : public WaveObject {
public:
    explicit MultitapWaveObject(Module::Ptr module, std::string pointName = "obj~n_delay");
};

} // namespace tosk
