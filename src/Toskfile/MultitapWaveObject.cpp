// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/MultitapWaveObject.h"

namespace tosk {

MultitapWaveObject::MultitapWaveObject(Module::Ptr module, std::string pointName)
    : WaveObject(std::move(module), std::move(pointName), "taps")
{
}

} // namespace tosk
