// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/StrObject.h"

namespace tosk {

StrObject::StrObject(const std::string& line) : BaseObject(line), value_(objectPartAt(6)) {}

} // namespace tosk
