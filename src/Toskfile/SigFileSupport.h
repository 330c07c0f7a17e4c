// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the files that make up SigFile.
#pragma once

#include "Toskfile/Module.h"
#include "Toskfile/SModule.h"

#include <string>

namespace tosk {

// The label a module goes by in messages: its operator, a group its type.
inline std::string operatorLabel(const Module& m)
{
    if (auto* group = m.asGroup())
        return group->moduleName();
    return m.name();
}

} // namespace tosk
