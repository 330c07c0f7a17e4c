// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/NumObject.h"

#include "base/Log.h"
#include "comms/ScanText.h"

namespace tosk {

NumObject::NumObject(const std::string& line) : BaseObject(line)
{
    struct Slot {
        double* field;
        const char* name;
    };
    const Slot slots[] = {
        {&value_, "current value"}, {&minimum_, "minimum"}, {&maximum_, "maximum"}, {&resolution_, "resolution"}};
    for (size_t i = 0; i < 4; ++i) {
        if (auto part = objectPartAt(6 + i))
            *slots[i].field = scanDecimal(*part).value_or(0);
        else
            logf("NumObject: invalid <%s> in: %s", slots[i].name, line.c_str());
    }
}

} // namespace tosk
