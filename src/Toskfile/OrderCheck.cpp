// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/OrderCheck.h"

#include "Toskfile/Module.h"
#include "Toskfile/ModuleField.h"
#include "Toskfile/SModule.h"
#include "Toskfile/SigFile.h"

namespace tosk {

namespace {

const Module* topOf(const ModuleField& field)
{
    const Module* owner = field.parent();
    return owner ? owner->trueParent() : nullptr;
}

bool feeds(const Module& module, const Module& feeder)
{
    for (const auto& field : module.fieldArray())
        if (field->isInput() && field->source() && topOf(*field->source()) == &feeder)
            return true;
    if (const auto* group = module.asGroup())
        for (const auto& member : group->moduleList().moduleArray())
            if (feeds(*member, feeder))
                return true;
    return false;
}

} // namespace

const Module* OrderCheck::laterFeeder(const SigFile& patch, const ModuleField& input)
{
    if (!input.isInput() || !input.source())
        return nullptr;
    const Module* consumer = topOf(input);
    const Module* feeder = topOf(*input.source());
    if (!consumer || !feeder || feeder == consumer || feeder->isHead())
        return nullptr;
    const size_t c = patch.indexOfModule(consumer), f = patch.indexOfModule(feeder);
    if (c == ModuleList::npos || f == ModuleList::npos || f < c)
        return nullptr;
    return feeder;
}

bool OrderCheck::runsBeforeFeeder(const SigFile& patch, const Module& consumer, const Module& feeder)
{
    const size_t c = patch.indexOfModule(&consumer), f = patch.indexOfModule(&feeder);
    return c != ModuleList::npos && f != ModuleList::npos && c < f && feeds(consumer, feeder);
}

} // namespace tosk
