// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/BaseObject.h"

#include <memory>

namespace tosk {

// Builds the object of the class its type tag names; throws
// "UserObjectFactory" for a line with nothing in it.
class UserObjectFactory {
public:
    static std::shared_ptr<BaseObject> createUserObject(const std::string& line);
};

} // namespace tosk
