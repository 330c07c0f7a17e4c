// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/WaveFormObject.h"

namespace tosk {

WaveFormObject::WaveFormObject(Module::Ptr module)
    : WaveObject(std::move(module), "point~n", "npoints", kNumberOfPoints)
{
}

} // namespace tosk
