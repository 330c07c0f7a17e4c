// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/ConObject.h"

#include "base/Log.h"
#include "comms/ScanText.h"

namespace tosk {

ConObject::ConObject(const std::string& line) : BaseObject(line)
{
    if (auto part = objectPartAt(6))
        value_ = scanDecimal(*part).value_or(0);
    else
        logf("ConObject: invalid <current value> in: %s", line.c_str());
}

} // namespace tosk
