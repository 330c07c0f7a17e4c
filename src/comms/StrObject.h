// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/BaseObject.h"

namespace tosk {

// A text field ("STR"): part 6 is its text.
class StrObject : public BaseObject {
public:
    explicit StrObject(const std::string& line);
    const std::optional<std::string>& value() const { return value_; }
    void setValue(std::optional<std::string> value) { value_ = std::move(value); }

private:
    std::optional<std::string> value_;
};

} // namespace tosk
