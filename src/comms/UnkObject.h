// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/BaseObject.h"

namespace tosk {

// An object of a type this program does not know.
class UnkObject : public BaseObject {
public:
    using BaseObject::BaseObject;
};

} // namespace tosk
