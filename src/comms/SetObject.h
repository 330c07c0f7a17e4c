// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/BaseObject.h"

#include <cstdint>

namespace tosk {

// A choice list ("SET"): part 6 the current index (hexadecimal), part 7 the
// current string, part 8 the number of strings (hexadecimal), then the strings.
class SetObject : public BaseObject {
public:
    explicit SetObject(const std::string& line);
    uint32_t currentIndex() const { return currentIndex_; }
    const std::string& currentString() const { return currentString_; }
    // The strings actually read, which may be fewer than the unit declared.
    uint32_t numberOfStrings() const { return uint32_t(strings_.size()); }
    std::optional<std::string> stringAtIndex(size_t index) const;
    const std::vector<std::string>& strings() const { return strings_; }
    // Ignored unless the index names one of the strings.
    void setCurrentIndex(uint32_t index);

private:
    uint32_t currentIndex_ = 0;
    std::string currentString_;
    std::vector<std::string> strings_;
};

} // namespace tosk
