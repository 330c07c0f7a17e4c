// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/BaseObject.h"

namespace tosk {

// A control ("CON"): part 6 is its current value.
class ConObject : public BaseObject {
public:
    explicit ConObject(const std::string& line);
    double value() const { return value_; }
    void setValue(double value) { value_ = value; }

private:
    double value_ = 0;
};

} // namespace tosk
