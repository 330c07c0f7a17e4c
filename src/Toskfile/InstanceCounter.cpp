// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/InstanceCounter.h"

#include "Toskfile/ModuleField.h"
#include "database/OperatorEntry.h"

namespace tosk {

int InstanceCounter::next(const ModuleField& field)
{
    if (!field.iterator() || !field.entry())
        return 0;
    return ++counts_[{field.iterator(), std::string_view(field.entry()->name())}];
}

} // namespace tosk
