// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/BaseObject.h"

#include <cstdint>

namespace tosk {

// A menu ("COL"): part 6 is the number of sub-objects, in hexadecimal.
class ColObject : public BaseObject {
public:
    explicit ColObject(const std::string& line);
    uint32_t subObjectCount() const { return subObjectCount_; }

private:
    uint32_t subObjectCount_ = 0;
};

} // namespace tosk
