// SPDX-License-Identifier: GPL-3.0-or-later
#include "comms/InfObject.h"

namespace tosk {

InfObject::InfObject(const std::string& line) : BaseObject(line), value_(objectPartAt(6)) {}

} // namespace tosk
