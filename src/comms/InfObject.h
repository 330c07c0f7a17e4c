// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/BaseObject.h"

namespace tosk {

// An information line ("INF"): part 6 is its text.
class InfObject : public BaseObject {
public:
    explicit InfObject(const std::string& line);
    const std::optional<std::string>& value() const { return value_; }
    void setValue(std::optional<std::string> value) { value_ = std::move(value); }

private:
    std::optional<std::string> value_;
};

} // namespace tosk
