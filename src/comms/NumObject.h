// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/BaseObject.h"

namespace tosk {

// A numeric control ("NUM"): parts 6 to 9 are value, minimum, maximum and
// resolution.
class NumObject : public BaseObject {
public:
    explicit NumObject(const std::string& line);
    double value() const { return value_; }
    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    double resolution() const { return resolution_; }
    void setValue(double v) { value_ = v; }
    void setMinimum(double v) { minimum_ = v; }
    void setMaximum(double v) { maximum_ = v; }
    void setResolution(double v) { resolution_ = v; }

private:
    double value_ = 0;
    double minimum_ = 0;
    double maximum_ = 0;
    double resolution_ = 0;
};

} // namespace tosk
