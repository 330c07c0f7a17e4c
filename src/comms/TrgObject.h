// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/BaseObject.h"

namespace tosk {

// A trigger ("TRG"): nothing beyond the common parts.
class TrgObject : public BaseObject {
public:
    using BaseObject::BaseObject;
};

} // namespace tosk
