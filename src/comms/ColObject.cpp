// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/ColObject.h"

#include "base/Log.h"
#include "comms/ScanText.h"

namespace tosk {

ColObject::ColObject(const std::string& line) : BaseObject(line)
{
    if (auto part = objectPartAt(6))
        subObjectCount_ = scanHex(*part).value_or(0);
    else
        logf("ColObject: invalid <number subObjects> in: %s", line.c_str());
}

} // namespace tosk
