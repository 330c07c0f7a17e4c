// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/SetObject.h"

#include "base/Log.h"
#include "comms/ScanText.h"

namespace tosk {

SetObject::SetObject(const std::string& line) : BaseObject(line)
{
    if (auto part = objectPartAt(6))
        currentIndex_ = scanHex(*part).value_or(0);
    else
        logf("SetObject: invalid <current index> in: %s", line.c_str());
    currentString_ = objectPartAt(7).value_or("");
    uint32_t declared = 0;
    if (auto part = objectPartAt(8))
        declared = scanHex(*part).value_or(0);
    else
        logf("SetObject: invalid <number of strings> in: [%s]", "");
    // The declared count comes from the unit; only the strings that are there
    // can be read, and one message says where they ran out.
    size_t available = partCount() > 9 ? partCount() - 9 : 0;
    for (size_t i = 0; i < declared && i < available; ++i)
        strings_.push_back(trimWhiteSpace(objParts()[9 + i]));
    if (declared > available)
        logf("SetObject: missing <string text> at index: %d: %s", int(available), line.c_str());
}

std::optional<std::string> SetObject::stringAtIndex(size_t index) const
{
    if (index >= strings_.size())
        return std::nullopt;
    return strings_[index];
}

void SetObject::setCurrentIndex(uint32_t index)
{
    if (index >= strings_.size())
        return;
    currentIndex_ = index;
    currentString_ = strings_[index];
}

} // namespace tosk
